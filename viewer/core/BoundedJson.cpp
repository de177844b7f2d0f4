#include "core/BoundedJson.h"

#include <rapidjson/error/en.h>

namespace BoundedJson {

int depthOf(const QByteArray &text) {
  int depth = 0;
  int deepest = 0;
  bool inString = false;
  bool escaped = false;
  for (const char c : text) {
    if (inString) {
      if (escaped)
        escaped = false;
      else if (c == '\\')
        escaped = true;
      else if (c == '"')
        inString = false;
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c == '{' || c == '[') {
      if (++depth > deepest) deepest = depth;
    } else if (c == '}' || c == ']') {
      --depth;
    }
  }
  return deepest;
}

bool parse(const QByteArray &text, int maxBytes, rapidjson::Document *doc, QString *error) {
  QString reason;
  if (text.size() > maxBytes) {
    reason = QStringLiteral("larger than %1 bytes").arg(maxBytes);
  } else if (depthOf(text) > kMaxDepth) {
    reason = QStringLiteral("nested deeper than %1 levels").arg(kMaxDepth);
  } else {
    doc->Parse<rapidjson::kParseIterativeFlag>(text.constData(), static_cast<size_t>(text.size()));
    if (doc->HasParseError())
      reason = QStringLiteral("not valid JSON at %1: %2")
                   .arg(doc->GetErrorOffset())
                   .arg(QLatin1String(rapidjson::GetParseError_En(doc->GetParseError())));
  }
  if (reason.isEmpty()) return true;
  doc->SetObject();
  if (error) *error = reason;
  return false;
}

}  // namespace BoundedJson
