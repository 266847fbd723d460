#include "json_line.h"

namespace ozmi::permission {

std::string writeJsonLine(const json::Value& object, FailureForm form) {
  if (std::optional<std::string> text = json::write(object)) return *text + "\n";
  return form == FailureForm::errorLine ? kSerializeErrorLine : "\n";
}

}  // namespace ozmi::permission
