#include "ShapeProgram.h"

#include "ShaderTexts.h"

namespace Quillon::Vantrel {

std::string shapeFragmentText(A_long shapeType) {
  const char* shapeFunc = ShaderText::shapeFuncSource(shapeType);
  return std::string(ShaderText::shapeFragmentSource) + (shapeFunc ? shapeFunc : "");
}

void ensureShapeProgram(RenderRecord& record) {
  if (record.shapeProgram) return;
  record.shapeProgram =
      std::make_unique<OpenglShader>(ShaderText::passThroughVertexSource, shapeFragmentText(record.shapeType));
  record.shapeProgram->addAttribute("position", 0);
  record.shapeProgram->addAttribute("input_uv", 1);
}

}  // namespace Quillon::Vantrel
