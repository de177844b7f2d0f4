// Reading the program's JSON files (themes, camera setting descriptions)
// without trusting them: a file is refused when it is larger than the caller
// allows or nested deeper than any of ours, before rapidjson sees it. Parsing
// is iterative, and the depth bound also keeps rapidjson's recursive
// destruction of the document within the stack.
#ifndef VIEWER_CORE_BOUNDEDJSON_H
#define VIEWER_CORE_BOUNDEDJSON_H

#include <rapidjson/document.h>

#include <QByteArray>
#include <QString>

namespace BoundedJson {

// Deeper than any file of ours is nested.
constexpr int kMaxDepth = 64;

// The deepest nesting of objects and arrays in text (strings are skipped).
int depthOf(const QByteArray &text);

// Parses text into doc; false with a reason in *error (when given) for text
// larger than maxBytes, nested deeper than kMaxDepth, or not valid JSON.
bool parse(const QByteArray &text, int maxBytes, rapidjson::Document *doc,
           QString *error = nullptr);

}  // namespace BoundedJson

#endif
