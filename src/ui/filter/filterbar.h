// The filter bar above the views (View > Filter, Ctrl+L; hidden at first):
// the filter fields, across the window. Hiding the bar clears it. The window
// shows what the filter lets through.
#pragma once

#include "ui/filter/filterfields.h"

#include <QToolBar>

class QMainWindow;

class TFilterBar : public QToolBar {
    Q_OBJECT
public:
    // Adds itself to the top of Window, hidden.
    explicit TFilterBar(QMainWindow& Window);

    // View > Filter: shows and hides the bar.
    QAction* ShowAction() const { return FShowAction; }
    const TObjectFilter& Filter() const { return FFields->Filter(); }
    void SetEncoding(std::optional<codepages::TEncoding> Encoding) { FFields->SetEncoding(Encoding); }
    // The fields of the values the list shows; Type, ID, Name and Version
    // List always show.
    void SetFieldShown(TFilterField Field, bool Shown) { FFields->SetFieldShown(Field, Shown); }
    void Clear() { FFields->Clear(); }
    // What the object count leaves out: "; malformed, so ignored: ..." naming
    // the fields whose text is malformed; empty when there are none.
    QString IgnoredNote() const;

signals:
    // The filter is another now.
    void Changed();

private:
    QAction* FShowAction;
    TFilterFields* FFields;
};
