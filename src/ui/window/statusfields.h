// The status bar's fields: the window's one status text on the left, and on
// the right the caret's line and column in the text view and the encoding of
// the object shown. The caret's field follows the text view by itself; menu
// hover tips never wipe the status text.
#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QStatusBar;
class TObjectTextFile;
class TObjectTextView;
class TShownObjects;

class TStatusFields : public QObject {
    Q_OBJECT
public:
    // Adds the fields to Bar, the status bar of Window. Text outlives this object.
    TStatusFields(QWidget& Window, QStatusBar& Bar, const TObjectTextView& Text);

    QString Text() const;
    void SetText(const QString& Text);
    // "n object(s)", or "n of m object(s)" while a filter leaves some out,
    // followed by Note; or why a file read as UTF-16 shows none.
    void ShowObjectCount(const TObjectTextFile& File, const TShownObjects& Shown, const QString& Note);
    // A load's progress, painted at once: the load gives the event loop no
    // chance to paint.
    void ShowProgress(int Percent);
    // The encoding of the object shown; empty when none is.
    void SetEncoding(const QString& Caption);
    // The caret's place while the text view shows a text, else nothing.
    void UpdateCaret();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QWidget& FWindow;
    const TObjectTextView& FText;
    QLabel* FStatus;
    QLabel* FCaret;
    QLabel* FEncoding;
};
