#include "platform/gfx/gl_shaders.h"

namespace gfx::shaders {

const char* const kVersion = "#version 330 core\n";

const char* const kFixedFunctionVertex = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aTexCoord;

out vec4 vDiffuse;
out vec3 vSpecular;
flat out vec4 vDiffuseFlat;
flat out vec3 vSpecularFlat;
out vec2 vTexCoord;
out float vFog;

const int LIGHT_POINT = 1;
const int LIGHT_SPOT = 2;
const int LIGHT_DIRECTIONAL = 3;
const int FOG_EXP = 1;
const int FOG_EXP2 = 2;
const int FOG_LINEAR = 3;

// Attenuation times spot factor of one light at view-space point v; `dir` gets the unit vector
// towards the light. Negative means out of range: no contribution at all, not even ambient.
// `type` is a constant of the program, so only its own law is compiled in.
float lightFactor(Light light, int type, vec3 v, out vec3 dir)
{
    if (type == LIGHT_DIRECTIONAL) {
        dir = light.direction.xyz;
        return 1.0;
    }
    vec3 toLight = light.position.xyz - v;
    float d = length(toLight);
    if (d > light.rangeFalloffAtt01.x)
        return -1.0;
    dir = d > 0.0 ? toLight / d : vec3(0.0);
    float denom = light.rangeFalloffAtt01.z + light.rangeFalloffAtt01.w * d
                + light.att2CosThetaCosPhiType.x * d * d;
    // Direct3D rejects all-zero attenuation; treat it as no attenuation rather than infinity.
    float atten = denom > 0.0 ? 1.0 / denom : 1.0;
    if (type != LIGHT_SPOT)
        return atten;
    float rho = dot(light.direction.xyz, -dir);
    float cosTheta = light.att2CosThetaCosPhiType.y;
    float cosPhi = light.att2CosThetaCosPhiType.z;
    if (rho > cosTheta)
        return atten;
    if (rho <= cosPhi)
        return 0.0;
    return atten * pow((rho - cosPhi) / (cosTheta - cosPhi), light.rangeFalloffAtt01.y);
}

struct LightSums {
    vec3 ambient;
    vec3 diffuse;
    vec3 specular;
};

// Adds one light's share. `type` is a constant of the program (each light is a call of its own
// below, not a loop), so only that light's law is compiled in.
void addLight(Light light, int type, vec3 v, vec3 n, vec3 toEye, inout LightSums sums)
{
    vec3 dir;
    float factor = lightFactor(light, type, v, dir);
    if (factor < 0.0)
        return;
    sums.ambient += light.ambient.rgb * factor;
    float nDotL = max(dot(n, dir), 0.0);
    sums.diffuse += light.diffuse.rgb * nDotL * factor;
    if (SPECULAR != 0 && nDotL > 0.0) {
        vec3 h = normalize((LOCAL_VIEWER != 0 ? toEye : vec3(0.0, 0.0, -1.0)) + dir);
        float nDotH = dot(n, h);
        if (nDotH > 0.0)
            sums.specular += light.specular.rgb * pow(nDotH, draw.materialPower.x) * factor;
    }
}

void light(vec3 v, vec3 n, out vec4 diffuse, out vec3 specular)
{
    LightSums sums = LightSums(frame.globalAmbient.rgb, vec3(0.0), vec3(0.0));
    vec3 toEye = length(v) > 0.0 ? normalize(-v) : vec3(0.0, 0.0, -1.0);
#define ADD_LIGHT(i) addLight(frame.lights[i], (LIGHT_TYPES >> (2 * i)) & 3, v, n, toEye, sums)
#if LIGHT_COUNT > 0
    ADD_LIGHT(0);
#endif
#if LIGHT_COUNT > 1
    ADD_LIGHT(1);
#endif
#if LIGHT_COUNT > 2
    ADD_LIGHT(2);
#endif
#if LIGHT_COUNT > 3
    ADD_LIGHT(3);
#endif
#if LIGHT_COUNT > 4
    ADD_LIGHT(4);
#endif
#if LIGHT_COUNT > 5
    ADD_LIGHT(5);
#endif
#if LIGHT_COUNT > 6
    ADD_LIGHT(6);
#endif
#if LIGHT_COUNT > 7
    ADD_LIGHT(7);
#endif
    // The game's meshes carry no vertex colours, so every colour source is the material.
    diffuse.rgb = clamp(draw.materialAmbient.rgb * sums.ambient + draw.materialDiffuse.rgb * sums.diffuse
                        + draw.materialEmissive.rgb, 0.0, 1.0);
    diffuse.a = clamp(draw.materialDiffuse.a, 0.0, 1.0);
    specular = clamp(draw.materialSpecular.rgb * sums.specular, 0.0, 1.0);
}

float fogFactor(vec3 v)
{
    int mode = FOG_MODE;
    float d = RANGE_FOG != 0 ? length(v) : abs(v.z);
    float start = frame.fogStartEndDensity.x;
    float end = frame.fogStartEndDensity.y;
    float density = frame.fogStartEndDensity.z;
    float f = 1.0;
    if (mode == FOG_LINEAR)
        f = end != start ? (end - d) / (end - start) : (d < end ? 1.0 : 0.0); // end = start: a hard edge
    else if (mode == FOG_EXP)
        f = exp(-density * d);
    else if (mode == FOG_EXP2)
        f = exp(-(density * d) * (density * d));
    return isnan(f) ? 0.0 : clamp(f, 0.0, 1.0);
}

void main()
{
    vec4 position = vec4(aPosition, 1.0);
    vec4 clip = draw.worldViewProj * position;
    // Direct3D's depth runs 0..w and its pixel centres sit on integers.
    clip.z = 2.0 * clip.z - clip.w;
    clip.x += frame.pixelOffset.x * clip.w;
    clip.y -= frame.pixelOffset.y * clip.w;
    gl_Position = clip;

    vec3 v = (draw.worldView * position).xyz;
    vec3 n = mat3(draw.normalMatrix) * aNormal; // unless renormalised, scaling scales the light
    if (NORMALIZE_NORMALS != 0 && dot(n, n) > 0.0)
        n = normalize(n);
    vec4 diffuse = vec4(1.0);
    vec3 specular = vec3(0.0);
    if (LIGHTING != 0)
        light(v, n, diffuse, specular);
    vDiffuse = diffuse;
    vDiffuseFlat = diffuse;
    vSpecular = specular;
    vSpecularFlat = specular;
    vTexCoord = aTexCoord;
    vFog = fogFactor(v);
}
)";

const char* const kFixedFunctionFragment = R"(
in vec4 vDiffuse;
in vec3 vSpecular;
flat in vec4 vDiffuseFlat;
flat in vec3 vSpecularFlat;
in vec2 vTexCoord;
in float vFog;

uniform sampler2D uTexture;
out vec4 fragColor;

const int TOP_DISABLE = 1;
const int TOP_SELECTARG1 = 2;
const int TOP_SELECTARG2 = 3;
const int TOP_MODULATE = 4;
const int TA_DIFFUSE = 0;
const int TA_CURRENT = 1;
const int TA_TEXTURE = 2;
const int TA_SPECULAR = 4;

vec4 argument(int arg, vec4 diffuse, vec4 specular, vec4 texel)
{
    int source = arg & 15;
    if (source == TA_TEXTURE)
        return texel;
    if (source == TA_SPECULAR)
        return specular;
    if (source == TA_DIFFUSE || source == TA_CURRENT) // current is diffuse at stage 0
        return diffuse;
    return vec4(1.0); // texture factor: white
}

bool usesTexture(int op, int arg1, int arg2)
{
    if (op == TOP_SELECTARG1)
        return (arg1 & 15) == TA_TEXTURE;
    if (op == TOP_SELECTARG2)
        return (arg2 & 15) == TA_TEXTURE;
    if (op == TOP_MODULATE)
        return (arg1 & 15) == TA_TEXTURE || (arg2 & 15) == TA_TEXTURE;
    return false;
}

vec4 combine(int op, vec4 a1, vec4 a2, vec4 current)
{
    if (op == TOP_SELECTARG1)
        return a1;
    if (op == TOP_SELECTARG2)
        return a2;
    if (op == TOP_MODULATE)
        return a1 * a2;
    return current; // disabled: diffuse passes through
}

bool alphaPasses(int alpha, int ref, int func)
{
    if (func == 1) return false;
    if (func == 2) return alpha < ref;
    if (func == 3) return alpha == ref;
    if (func == 4) return alpha <= ref;
    if (func == 5) return alpha > ref;
    if (func == 6) return alpha != ref;
    if (func == 7) return alpha >= ref;
    return true;
}

void main()
{
#if FLAT_SHADE
    vec4 diffuse = vDiffuseFlat;
    vec4 specular = vec4(vSpecularFlat, 1.0);
#else
    vec4 diffuse = vDiffuse;
    vec4 specular = vec4(vSpecular, 1.0);
#endif
    const bool textured = TEXTURED != 0;
#if TEXTURED
    // Seen at a glancing angle the texture is squeezed far more along the view than across it, and
    // a level chosen for the squeezed direction blurs lines that run away from the eye into wide
    // smears. The level follows the squeezed direction only beyond four times the other one, as a
    // four-sample anisotropic filter would, though with a single sample.
    vec2 size = vec2(textureSize(uTexture, 0));
    vec2 du = dFdx(vTexCoord) * size, dv = dFdy(vTexCoord) * size;
    float squeezeX = dot(du, du), squeezeY = dot(dv, dv);
    float lod = 0.5 * log2(max(min(squeezeX, squeezeY), max(squeezeX, squeezeY) / 16.0));
    vec4 texel = textureLod(uTexture, vTexCoord, lod);
#else
    vec4 texel = vec4(1.0);
#endif

    const int colorOp = COLOR_OP;
    const int colorArg1 = COLOR_ARG1;
    const int colorArg2 = COLOR_ARG2;
    const int alphaOp = ALPHA_OP;
    const int alphaArg1 = ALPHA_ARG1;
    const int alphaArg2 = ALPHA_ARG2;

    // A stage that reads an unbound texture passes the diffuse colour through.
    vec3 rgb = diffuse.rgb;
    if (textured || !usesTexture(colorOp, colorArg1, colorArg2))
        rgb = combine(colorOp, argument(colorArg1, diffuse, specular, texel),
                      argument(colorArg2, diffuse, specular, texel), diffuse).rgb;
    float a = diffuse.a;
    if (colorOp != TOP_DISABLE && (textured || !usesTexture(alphaOp, alphaArg1, alphaArg2)))
        a = combine(alphaOp, argument(alphaArg1, diffuse, specular, texel),
                    argument(alphaArg2, diffuse, specular, texel), diffuse).a;

#if SPECULAR
    rgb = min(rgb + specular.rgb, vec3(1.0));
#endif
#if FOG_MODE != 0
    rgb = mix(frame.fogColor.rgb, rgb, vFog);
#endif

#if ALPHA_TEST
    int alpha = int(round(clamp(a, 0.0, 1.0) * 255.0));
    if (!alphaPasses(alpha, frame.lightCountAlphaRef.y, ALPHA_FUNC))
        discard;
#endif
    fragColor = vec4(rgb, a);
}
)";

const char* const kScreenVertex = R"(#version 330 core
layout(location = 0) in vec2 aPixel;
layout(location = 1) in vec2 aTexCoord;
layout(location = 2) in vec4 aColor;
uniform vec2 uTargetSize;
out vec2 vTexCoord;
out vec4 vColor;
void main()
{
    // Back-buffer pixels, y down, to clip space; the back buffer is stored top row first.
    vec2 ndc = vec2(aPixel.x / uTargetSize.x * 2.0 - 1.0, 1.0 - aPixel.y / uTargetSize.y * 2.0);
    gl_Position = vec4(ndc, 0.0, 1.0);
    vTexCoord = aTexCoord;
    vColor = aColor;
}
)";

const char* const kScreenFragment = R"(#version 330 core
in vec2 vTexCoord;
in vec4 vColor;
uniform sampler2D uTexture;
uniform int uAlphaOnly; // glyph atlases hold coverage in the red channel
out vec4 fragColor;
void main()
{
    vec4 texel = texture(uTexture, vTexCoord);
    fragColor = uAlphaOnly != 0 ? vec4(vColor.rgb, vColor.a * texel.r) : texel * vColor;
}
)";

} // namespace gfx::shaders
