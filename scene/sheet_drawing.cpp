// The 3D part of a frame: the sheet, one physics step, the stones.

#include "game/field.h"

// The sheet and the stones are not drawn yet; the physics step keeps its place in the frame.
void Field::Draw_3D()
{
    Proc_Phys();
}
