// What the window's Open and Save dialogs share beyond Qt's own file dialog.
#pragma once

class QFileDialog;
class QString;
class QWidget;

namespace gui {

// Gives the file list's columns room for their texts, and closes the file
// name's completion list together with the dialog: accepted with Enter while
// the list shows, it would stay on screen and take the keys meant for the
// window.
void SetUpFileDialog(QFileDialog& Dialog);

// An Open dialog for one existing object text file (Qt's own dialog, so its
// state lives in it between uses), set up as above.
QFileDialog* NewOpenDialog(QWidget& Parent, const QString& Caption, const QString& Name);

}  // namespace gui
