#pragma once
// The shared model's UTF-8 texts and plain colours as Qt shows them.
#include <QColor>
#include <QString>
#include <string>

#include "app/shared/plan_view.h"

namespace voltrigg::viewer {

inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
inline QColor ToQColor(const Rgb& c) { return {c.red, c.green, c.blue}; }

// Bytes from a file as text: UTF-8 when they are, else Shift-JIS (the files
// of Japanese Windows machines), a byte that fits neither as "\xNN".
QString DecodeBytes(const std::string& bytes);

// Numbers as the viewer shows them.
QString Fixed(double value, int decimals);

}  // namespace voltrigg::viewer
