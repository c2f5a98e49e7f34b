// Following references in the text view: Go to Definition (F12, or Ctrl and
// a click on a reference), Find References (Shift+F12) on a reference, on a
// field's or procedure's definition, or on the object selected in the tree
// or list (whose context menus say "Where Used"), and a reference's target
// named in a tooltip when the mouse rests on it. All of them ask the
// where-used index; while it is being built they say so and run once it is.
#pragma once

#include "core/references/referenceindex.h"

#include <QObject>

#include <functional>
#include <optional>

class QAction;
class QMainWindow;
class TEncodingChoice;
class TFindView;
class TObjectTextFile;
class TObjectTextView;
class TReferenceIndexer;
class TWhereUsedPanel;
struct TWhereUsedQuery;

class TReferenceCommands : public QObject {
    Q_OBJECT
public:
    // What the window does for the commands.
    struct TWindowSide {
        // Object ObjectIndex shown with the caret on line Line (1-based), as Go to Object does.
        std::function<void(std::int32_t ObjectIndex, std::int32_t Line)> GoTo;
        // The object of the tree's node, or of the list's selected row, when
        // one of them has the focus; -1 otherwise.
        std::function<std::int32_t()> SelectedInBrowser;
        // The object whose text the text view shows; -1 for none.
        std::function<std::int32_t()> Shown;
        std::function<void(const QString&)> Say;
        std::function<void()> Beep;
    };

    // Everything given outlives this object.
    TReferenceCommands(QMainWindow& Window, const TObjectTextFile& File, const TEncodingChoice& Encodings,
                       TObjectTextView& Text, TFindView& Views, TWindowSide Side);

    QAction* GoToDefinitionAction() const { return FGoToDefinition; }
    QAction* FindReferencesAction() const { return FFindReferences; }
    QAction* WhereUsedAction() const { return FWhereUsed; }
    TWhereUsedPanel& Panel() const { return *FPanel; }
    TReferenceIndexer& Indexer() const { return *FIndexer; }

    // A file loaded: its index is built. Another file or none: all goes.
    void FileLoaded();
    void FileChanging();

    void GoToDefinition();
    void FindReferences();
    void WhereUsed();
    // The tooltip's text for the reference at byte Offset of the shown text; empty for none.
    QString Describe(std::int32_t Offset) const;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // Work once the index is built; says that it waits meanwhile.
    void WithIndex(std::function<void(const references::TReferenceIndex&)> Work);
    // The same for the caret's place in the shown object, as it is now.
    void AtCaret(std::function<void(const references::TReferenceIndex&, std::int32_t Object, std::int32_t Offset)> Work);
    std::optional<references::TResolved> ReferenceAtCaret(const references::TReferenceIndex& Index,
                                                          std::int32_t Object, std::int32_t Offset) const;
    QString TargetLabel(const references::TTarget& Target) const;
    void FindFor(const references::TTarget& Target, const std::string& Member);
    void GoToFound(const references::TReferenceIndex& Index, const references::TResolved& Found);

    QMainWindow& FWindow;
    const TObjectTextFile& FFile;
    const TEncodingChoice& FEncodings;
    TObjectTextView& FText;
    TWindowSide FSide;
    TReferenceIndexer* FIndexer;
    TWhereUsedPanel* FPanel;
    QAction* FGoToDefinition;
    QAction* FFindReferences;
    QAction* FWhereUsed;
    bool FWaiting = false; // a command waits for the index
    QObject* FViewport;    // the text view's, whose events the filter sees
};
