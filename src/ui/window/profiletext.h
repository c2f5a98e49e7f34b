// Settings values as text: the settings file holds bytes in the system's 8-bit
// encoding. What comes in goes out again unchanged, even bytes that are not
// valid in that encoding (a face name written by another program, say).
#pragma once

#include <QString>

#include <string>

namespace gui {

QString FromProfileText(const std::string& Bytes);
std::string ToProfileText(const QString& Text);

}  // namespace gui
