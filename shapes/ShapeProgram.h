#pragma once

#include <string>

#include "RenderRecord.h"

namespace Quillon::Vantrel {

// The shape program's fragment text for a shape type: the main text followed directly
// by that shape's distance function (nothing for a type outside 1 to 9, which then
// fails to link).
std::string shapeFragmentText(A_long shapeType);
// Assembles the program for the record's shape type when there is none; compiling is
// left to its first bind.
void ensureShapeProgram(RenderRecord& record);

}  // namespace Quillon::Vantrel
