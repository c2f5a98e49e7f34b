// The find across objects as the window runs it.
//
// Owns the modeless find dialog. One press of its Find Next runs one search
// over the window's views, which it reads and moves only through the TFindView
// it is given; it reads the text view for where the occurrence is drawn, to
// move the dialog off it. Each object is searched in the encoding the
// window's encoding choice gives it. The find text and the match-case option
// are the dialog's; the settings file keeps the text in UTF-8.
#pragma once

#include <QObject>
#include <QString>

#include <string>

class QAction;
class QWidget;
class TEncodingChoice;
class TFindDialog;
class TFindView;
class TObjectTextFile;
class TObjectTextView;

class TFindFlow : public QObject {
    Q_OBJECT
public:
    // The dialog is a child of Window; File, Views, Text and Encodings outlive the flow.
    TFindFlow(QWidget& Window, TObjectTextFile& File, TFindView& Views, const TObjectTextView& Text,
              TEncodingChoice& Encodings);

    // The Find command: shows the dialog or brings it to the front.
    void ShowDialog();
    // One press of Find Next.
    void FindNext();
    // The same backwards, from the selection.
    void FindPrevious();
    // Edit > Find Next (F3) and Find Previous (Shift+F3): the last find again
    // without the dialog; with no find text yet, the dialog. The actions are
    // the window's to run, with FindAgain.
    void FindAgain(bool Forward);
    QAction* FindNextAction() const { return FFindNextAction; }
    QAction* FindPreviousAction() const { return FFindPreviousAction; }

    // The find text in UTF-8; a stored text that is not UTF-8 is taken as Latin-1.
    std::string FindText() const;
    void SetFindText(const std::string& Text);
    bool MatchCase() const;
    void SetMatchCase(bool MatchCase);

private:
    void KeepDialogClearOfSelection();

    TObjectTextFile& FFile;
    TFindView& FViews;
    const TObjectTextView& FText;
    TEncodingChoice& FEncodings;
    TFindDialog* FDialog;
    QAction* FFindNextAction;
    QAction* FFindPreviousAction;
    // The stored text as given, and as the dialog shows it.
    std::string FStoredBytes;
    QString FStoredAsShown;
};
