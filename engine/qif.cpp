#include "engine/qif.h"

#include "platform/input_host.h"

namespace {

struct DecodedButtons {
    bool left = false;
    bool right = false;
    bool center = false;
};

// Only the seven combinations of the three buttons count; any other mask means no button.
DecodedButtons decodeButtonMask(std::int16_t mask)
{
    if (mask < 1 || mask > 7)
        return {};
    return {(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0};
}

} // namespace

void QIF::checkMouse()
{
    mouseX = host_.cursorX();
    mouseY = host_.cursorY();
    const DecodedButtons buttons = decodeButtonMask(pendingButton);
    pendingButton = 0;
    mouseLeft = nextInputState(buttons.left, leftHeld);
    mouseRight = nextInputState(buttons.right, rightHeld);
    mouseCenter = nextInputState(buttons.center, centerHeld);
}

void QIF::moveMouse(std::int16_t X, std::int16_t Y)
{
    host_.setCursor(X, Y);
}

void QIF::visibleMouse()
{
    host_.setCursorVisible(true);
}

void QIF::invisibleMouse()
{
    host_.setCursorVisible(false);
}

void QIF::checkKey(std::span<Q_Key> CKey)
{
    // The host marks a down key with any non-zero entry (0x80 as Windows does, or 1); there is
    // no toggle bit to mask out.
    const auto& table = host_.keyTable();
    for (Q_Key& key : CKey)
        key.changeState(table[key.getKey()] != 0);
    host_.keyTableRead();
}
