#include "json_line.h"

namespace ozmi::permission {

std::string writeJsonLine(const json::Value& object, FailureForm form) {
  if (std::optional<std::string> line = json::writeLine(object)) return std::move(*line);
  return form == FailureForm::errorLine ? kSerializeErrorLine : "\n";
}

}  // namespace ozmi::permission
