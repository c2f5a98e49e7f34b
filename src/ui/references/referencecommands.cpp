#include "ui/references/referencecommands.h"

#include "core/quibfile.h"
#include "platform/filestream.h"
#include "ui/common/errorbox.h"
#include "ui/references/referenceindexer.h"
#include "ui/references/whereused.h"
#include "ui/views/objecttextview.h"

#include <QAction>
#include <QHelpEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QTextBlock>
#include <QToolTip>

using references::TResolved;
using references::TTarget;

namespace {

// Line Line (1-based) of Text; CR LF, CR and LF each end one.
std::string_view LineOf(std::string_view Text, std::int32_t Line)
{
    std::size_t Start = 0;
    for (std::int32_t Index = 1; Index < Line && Start < Text.size(); ++Index) {
        const std::size_t Break = Text.find_first_of("\r\n", Start);
        if (Break == std::string_view::npos)
            return {};
        Start = Break + (Text[Break] == '\r' && Break + 1 < Text.size() && Text[Break + 1] == '\n' ? 2 : 1);
    }
    const std::size_t End = Text.find_first_of("\r\n", Start);
    return Text.substr(Start, End == std::string_view::npos ? std::string_view::npos : End - Start);
}

// A field row's type ("Code20" of "{ 1 ; ;No. ;Code20 ;...}"); empty for any other line.
std::string_view FieldType(std::string_view Row)
{
    const std::size_t Open = Row.find_first_not_of(" \t");
    if (Open == std::string_view::npos || Row[Open] != '{')
        return {};
    std::size_t Start = Open + 1;
    for (int Cell = 0; Cell < 3; ++Cell) {
        Start = Row.find(';', Start);
        if (Start == std::string_view::npos)
            return {};
        ++Start;
    }
    std::size_t End = Row.find_first_of(";}", Start);
    std::string_view Type = Row.substr(Start, End == std::string_view::npos ? std::string_view::npos : End - Start);
    while (!Type.empty() && (Type.front() == ' ' || Type.front() == '\t'))
        Type.remove_prefix(1);
    while (!Type.empty() && (Type.back() == ' ' || Type.back() == '\t'))
        Type.remove_suffix(1);
    return Type;
}

} // namespace

TReferenceCommands::TReferenceCommands(QMainWindow& Window, const TObjectTextFile& File,
                                       const TEncodingChoice& Encodings, TObjectTextView& Text, TFindView& Views,
                                       TWindowSide Side)
    : QObject(&Window), FWindow(Window), FFile(File), FEncodings(Encodings), FText(Text), FSide(std::move(Side)),
      FIndexer(new TReferenceIndexer(this)), FPanel(new TWhereUsedPanel(Window, File, Encodings, Views)),
      FGoToDefinition(new QAction(tr("Go to &Definition"), this)),
      FFindReferences(new QAction(tr("Find &References"), this)), FWhereUsed(new QAction(tr("&Where Used"), this))
{
    FGoToDefinition->setObjectName(QStringLiteral("actEditGoToDefinition"));
    FGoToDefinition->setShortcut(QKeySequence(Qt::Key_F12));
    FGoToDefinition->setStatusTip(tr("Goes to the object, field or procedure the reference at the caret names"));
    FFindReferences->setObjectName(QStringLiteral("actEditFindReferences"));
    FFindReferences->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F12));
    FFindReferences->setStatusTip(tr("Lists every line that refers to what the caret or the selection names"));
    FWhereUsed->setObjectName(QStringLiteral("actWhereUsed"));
    FWhereUsed->setStatusTip(tr("Lists every line that refers to the selected object"));
    FViewport = FText.viewport();
    FViewport->installEventFilter(this);
    // A command waiting for the index says how far it has got.
    connect(FIndexer, &TReferenceIndexer::Progress, this, [this](int Percent) {
        if (FWaiting)
            FSide.Say(tr("Indexing references (%1 %)... The command runs when it is done.").arg(Percent));
    });
    connect(FIndexer, &TReferenceIndexer::Built, this, [this] {
        if (FWaiting)
            FSide.Say({});
        FWaiting = false;
    });
}

void TReferenceCommands::FileLoaded()
{
    FIndexer->Start(FFile);
}

void TReferenceCommands::FileChanging()
{
    FWaiting = false;
    FIndexer->Stop();
    FPanel->Clear();
}

void TReferenceCommands::WithIndex(std::function<void(const references::TReferenceIndex&)> Work)
{
    const auto Run = [this, Work = std::move(Work)] {
        if (const auto Index = FIndexer->Index())
            gui::RunGuarded(&FWindow, [&] { Work(*Index); });
    };
    if (FIndexer->Index()) {
        Run();
        return;
    }
    if (!FIndexer->Building()) {
        FSide.Beep();
        FSide.Say(tr("No references are known for this file."));
        return;
    }
    FSide.Say(tr("Indexing references (%1 %)... The command runs when it is done.").arg(FIndexer->Percent()));
    FWaiting = true;
    FIndexer->WhenBuilt(Run);
}

std::optional<TResolved> TReferenceCommands::ReferenceAtCaret(const references::TReferenceIndex& Index,
                                                              std::int32_t Object, std::int32_t Offset) const
{
    const std::string& Text = FText.ObjectText();
    std::unique_ptr<platform::TStream> Reader = FFile.SecondReader();
    // The caret just after a name counts as on it.
    for (const std::int32_t At : {Offset, Offset - 1}) {
        if (At < 0)
            continue;
        if (auto Found = Index.ReferenceAt(Object, Text, At, Reader.get()))
            return Found;
    }
    return std::nullopt;
}

QString TReferenceCommands::TargetLabel(const TTarget& Target) const
{
    QString Label = QString::fromStdString(ObjectTypeNames[Target.Type]);
    if (Target.Object >= 0) {
        const TObjectTextObject& Object = FFile.Objects(Target.Object);
        return Label + u' ' + QString::number(Object.ID()) + u' ' +
               LabelFromBytes(Object.Name(), FEncodings.ForLabel(Target.Object, Object.Name()));
    }
    if (Target.ID != 0)
        return Label + u' ' + QString::number(Target.ID);
    return Label + QStringLiteral(" \"") + LabelFromBytes(Target.Name) + u'"';
}

void TReferenceCommands::AtCaret(
    std::function<void(const references::TReferenceIndex&, std::int32_t Object, std::int32_t Offset)> Work)
{
    const std::int32_t Object = FSide.Shown();
    if (Object < 0) {
        FSide.Beep();
        return;
    }
    const std::int32_t Offset = FText.ByteSelectionStart();
    // Another object shown by the time the index is there: the question is gone.
    WithIndex([this, Object, Offset, Work = std::move(Work)](const references::TReferenceIndex& Index) {
        if (FSide.Shown() == Object)
            Work(Index, Object, Offset);
    });
}

void TReferenceCommands::GoToDefinition()
{
    AtCaret([this](const references::TReferenceIndex& Index, std::int32_t Object, std::int32_t Offset) {
        const std::optional<TResolved> Found = ReferenceAtCaret(Index, Object, Offset);
        if (!Found) {
            FSide.Beep();
            FSide.Say(tr("No reference at the caret."));
            return;
        }
        GoToFound(Index, *Found);
    });
}

void TReferenceCommands::GoToFound(const references::TReferenceIndex& Index, const TResolved& Found)
{
    std::unique_ptr<platform::TStream> Reader = FFile.SecondReader();
    if (!Reader)
        return;
    const references::TDefinition Definition = Index.Definition(Found, *Reader);
    if (Definition.Object < 0) {
        FSide.Beep();
        FSide.Say(tr("%1 is not in this file.").arg(TargetLabel(Found.Target)));
        return;
    }
    FSide.Say({});
    FSide.GoTo(Definition.Object, std::max<std::int32_t>(Definition.Line, 0));
    // The target's line selected, so the eye finds it.
    if (Definition.Line > 0) {
        QTextCursor Cursor = FText.textCursor();
        Cursor.movePosition(QTextCursor::StartOfBlock);
        Cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        FText.setTextCursor(Cursor);
    }
    if (!Found.Reference.Member.empty() && Definition.Line < 0)
        FSide.Say(tr("%1 has no member called %2.")
                      .arg(TargetLabel(Found.Target), LabelFromBytes(Found.Reference.Member)));
}

void TReferenceCommands::FindFor(const TTarget& Target, const std::string& Member)
{
    FSide.Say({});
    TWhereUsedQuery Query{Target, Member, TargetLabel(Target)};
    if (!Member.empty())
        Query.Title += QStringLiteral(", \"") + LabelFromBytes(Member) + u'"';
    FPanel->Run(FIndexer->Index(), Query);
}

void TReferenceCommands::FindReferences()
{
    const std::int32_t Selected = FSide.SelectedInBrowser();
    if (Selected >= 0) {
        WhereUsed();
        return;
    }
    AtCaret([this](const references::TReferenceIndex& Index, std::int32_t Object, std::int32_t Offset) {
        std::optional<TResolved> Found = ReferenceAtCaret(Index, Object, Offset);
        if (!Found)
            Found = Index.MemberAt(Object, FText.ObjectText(), Offset);
        if (!Found) {
            FSide.Beep();
            FSide.Say(tr("No reference, field or procedure at the caret."));
            return;
        }
        FindFor(Found->Target, std::string(Found->Reference.Member));
    });
}

void TReferenceCommands::WhereUsed()
{
    std::int32_t Object = FSide.SelectedInBrowser();
    if (Object < 0)
        Object = FSide.Shown();
    if (Object < 0) {
        FSide.Beep();
        return;
    }
    WithIndex([this, Object](const references::TReferenceIndex& Index) { FindFor(Index.TargetOf(Object), {}); });
}

QString TReferenceCommands::Describe(std::int32_t Offset) const
{
    const std::int32_t Object = FSide.Shown();
    const auto Index = FIndexer->Index();
    if (Object < 0 || !Index)
        return {};
    const std::optional<TResolved> Found = Index->ReferenceAt(Object, FText.ObjectText(), Offset);
    if (!Found)
        return {};
    QString Text = TargetLabel(Found->Target);
    if (!Found->Reference.Member.empty()) {
        Text += QStringLiteral(": ") + LabelFromBytes(Found->Reference.Member);
        // A field's type, from its row in the table.
        const std::unique_ptr<platform::TStream> Reader = FFile.SecondReader();
        if (Found->Target.Object >= 0 && Reader) {
            std::string Target;
            const std::string_view Bytes = references::ReadObject(FFile, Found->Target.Object, *Reader, Target);
            const std::int32_t Line = references::TReferenceIndex::MemberLine(
                Bytes, Found->Target.Type, FFile.Objects(Found->Target.Object).ID(), Found->Reference.Member);
            const std::string_view Type = Line > 0 ? FieldType(LineOf(Bytes, Line)) : std::string_view();
            if (!Type.empty())
                Text += QStringLiteral(" (") + LabelFromBytes(Type) + u')';
        }
    }
    if (Found->Target.Object < 0)
        Text += tr(" (not in this file)");
    return Text;
}

bool TReferenceCommands::eventFilter(QObject* Watched, QEvent* Event)
{
    // Compared with the pointer kept: the text view may be going, and its
    // viewport with it, while this filter still sees the viewport's events.
    if (Watched != FViewport)
        return false;
    if (Event->type() == QEvent::ToolTip) {
        const auto* Help = static_cast<QHelpEvent*>(Event);
        const int Position = FText.cursorForPosition(Help->pos()).position();
        const QString Text = Describe(FText.Map().ByteFromView(Position));
        if (Text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(Help->globalPos(), Text, FText.viewport());
        return true;
    }
    // Ctrl and a click: the press has put the caret on the reference.
    if (Event->type() == QEvent::MouseButtonRelease) {
        const auto* Mouse = static_cast<QMouseEvent*>(Event);
        if (Mouse->button() == Qt::LeftButton && Mouse->modifiers().testFlag(Qt::ControlModifier) &&
            !FText.textCursor().hasSelection()) {
            FGoToDefinition->trigger();
            return true;
        }
    }
    return false;
}
