// The window's caption: "file.txt - Orvanta" with a file on view, the
// application title alone without one. The caption is also the application
// title the error boxes take.
#pragma once

#include <QString>

#include <string>

class QWidget;

namespace gui {

// The name of the file Path (as the file layer takes it) without its folder.
QString FileNameOf(const std::string& Path);

// Window's caption for the file FileName; an empty name: no file.
void ShowFileInCaption(QWidget& Window, const std::string& FileName);

}  // namespace gui
