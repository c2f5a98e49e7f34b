// The find across objects as the window runs it.
//
// Owns the modeless find dialog. One press of its Find Next runs one search
// over the window's views, which it reads and moves only through the TFindView
// it is given; it reads the text view for where the occurrence is drawn, to
// move the dialog off it. The find text and the match-case option are the
// dialog's, kept as the file's bytes for the settings file.
#pragma once

#include <QObject>

#include <string>

class QWidget;
class TFindDialog;
class TFindView;
class TObjectTextFile;
class TObjectTextView;

class TFindFlow : public QObject {
    Q_OBJECT
public:
    // The dialog is a child of Window; File, Views and Text outlive the flow.
    TFindFlow(QWidget& Window, TObjectTextFile& File, TFindView& Views, const TObjectTextView& Text);

    // The Find command: shows the dialog or brings it to the front.
    void ShowDialog();
    // One press of Find Next.
    void FindNext();

    // The find text as the file's bytes, in the encoding the text view shows.
    std::string FindText() const;
    void SetFindText(const std::string& Text);
    bool MatchCase() const;
    void SetMatchCase(bool MatchCase);

private:
    void KeepDialogClearOfSelection();

    TObjectTextFile& FFile;
    TFindView& FViews;
    const TObjectTextView& FText;
    TFindDialog* FDialog;
};
