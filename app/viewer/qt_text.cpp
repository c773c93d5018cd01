#include "qt_text.h"

#include "input/text_utf8.h"

namespace voltrigg::viewer {

QString DecodeBytes(const std::string& bytes) { return QString::fromStdString(TextAsUtf8(bytes)); }

QString Fixed(double value, int decimals) { return QString::number(value, 'f', decimals); }

}  // namespace voltrigg::viewer
