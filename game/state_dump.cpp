#include "game/state_dump.h"

#include "game/field.h"

#include <charconv>
#include <cmath>

namespace {

void append(std::string& out, long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendFloat(std::string& out, float v)
{
    if (!std::isfinite(v)) {
        out += "null"; // JSON has no infinities; the game never makes one
        return;
    }
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendVector(std::string& out, const D3DVECTOR& v)
{
    out += '[';
    appendFloat(out, v.x);
    out += ',';
    appendFloat(out, v.y);
    out += ',';
    appendFloat(out, v.z);
    out += ']';
}

void appendKey(std::string& out, const char* key)
{
    out += '"';
    out += key;
    out += "\":";
}

} // namespace

std::string floatText(float value)
{
    std::string out;
    appendFloat(out, value);
    return out;
}

std::string stateDumpLine(const Field& f, long frame)
{
    std::string out;
    out.reserve(2048);
    const auto intField = [&out](const char* key, long long v) {
        appendKey(out, key);
        append(out, v);
        out += ',';
    };
    const auto floatField = [&out](const char* key, float v) {
        appendKey(out, key);
        appendFloat(out, v);
        out += ',';
    };
    out += '{';
    intField("frame", frame);
    intField("phase", f.Phase);
    intField("gmode", f.GMode);
    intField("running", f.Running);
    intField("cur_stone", f.CurStone);
    intField("cam_mode", f.CamMode);
    intField("mouse_look", f.MouseLook);
    intField("solid_fill", f.SolidFill);
    floatField("zoom", f.Zoom);
    intField("zoom_on", f.ZoomOn);
    floatField("aim_x", f.AimX);
    floatField("spin_set", f.SpinSet);
    floatField("power_set", f.PowerSet);
    floatField("bal_angle", f.BalAngle);
    intField("shot_frame", f.ShotFrame);
    intField("fps", f.frameFps());
    intField("vtx", f.engine().getNumDrawVertex());
    intField("ply", f.engine().getNumDrawFace());
    appendKey(out, "view");
    out += "{\"pos\":";
    appendVector(out, f.View.Pos);
    out += ',';
    floatField("yaw", f.View.Yaw);
    floatField("pitch", f.View.Pitch);
    appendKey(out, "fov");
    appendFloat(out, f.View.Fov);
    out += "},";
    appendKey(out, "stones");
    out += '[';
    for (std::size_t i = 0; i < f.Stones.size(); ++i) {
        const StoneRec& s = f.Stones[i];
        if (i > 0)
            out += ',';
        out += '{';
        intField("in_play", s.InPlay);
        intField("run_state", s.RunState);
        appendKey(out, "pos");
        appendVector(out, s.Pos);
        out += ',';
        floatField("speed", s.Speed);
        floatField("heading", s.Heading);
        floatField("spin", s.Spin);
        appendKey(out, "rot");
        appendFloat(out, s.Rot);
        out += '}';
    }
    out += ']';
    if (const match::Match* m = f.currentMatch()) {
        out += ",\"match\":{";
        intField("end", m->end());
        intField("ends", m->settings().ends);
        appendKey(out, "score");
        out += '[';
        append(out, m->score()[0]);
        out += ',';
        append(out, m->score()[1]);
        out += "],\"hammer\":\"";
        out += match::teamKey(m->hammer());
        out += "\",";
        intField("thrown", m->thrown());
        out += "\"turn\":\"";
        out += match::teamKey(m->toThrow());
        out += "\"}";
    }
    out += '}';
    return out;
}
