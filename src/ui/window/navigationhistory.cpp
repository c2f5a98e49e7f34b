#include "ui/window/navigationhistory.h"

#include "ui/find/findnext.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace {

// Enough for any reading session; the oldest places go first.
constexpr std::size_t MaxPlaces = 100;

} // namespace

TNavigationHistory::TNavigationHistory(QWidget& Window, TFindView& View)
    : QObject(&Window), FWindow(Window), FView(View),
      FBackAction(new QAction(tr("&Back"), this)), FForwardAction(new QAction(tr("For&ward"), this))
{
    FBackAction->setObjectName(QStringLiteral("actEditBack"));
    FForwardAction->setObjectName(QStringLiteral("actEditForward"));
    FBackAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    FBackAction->setStatusTip(tr("Returns to the place before the last jump"));
    FForwardAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    FForwardAction->setStatusTip(tr("Goes again to the place Back left"));
    // The buttons are pressed over whichever widget is under the mouse.
    qApp->installEventFilter(this);
}

TNavigationHistory::TPlace TNavigationHistory::Here() const
{
    return {FView.SelectedObjectIndex(), FView.TextSelectionStart(), FView.TextSelectionLength()};
}

void TNavigationHistory::Push(std::vector<TPlace>& Places, const TPlace& Place)
{
    if (Place.ObjectIndex < 0 || (!Places.empty() && Places.back() == Place))
        return;
    if (Places.size() == MaxPlaces)
        Places.erase(Places.begin());
    Places.push_back(Place);
}

void TNavigationHistory::Record()
{
    const TPlace Place = Here();
    if (Place.ObjectIndex < 0)
        return;
    Push(FBack, Place);
    FForward.clear();
}

void TNavigationHistory::Step(std::vector<TPlace>& From, std::vector<TPlace>& To)
{
    const TPlace Here = this->Here();
    // A place that is the one shown already is no step.
    while (!From.empty() && From.back() == Here)
        From.pop_back();
    if (From.empty())
        return;
    const TPlace There = From.back();
    From.pop_back();
    Push(To, Here);
    // Not through ShowOccurrence, which would record the place left again.
    FView.SelectObjectNode(There.ObjectIndex);
    FView.ShowObjectText(There.ObjectIndex);
    FView.SelectTextBytes(There.Start, There.Length);
}

void TNavigationHistory::GoBack()
{
    Step(FBack, FForward);
}

void TNavigationHistory::GoForward()
{
    Step(FForward, FBack);
}

void TNavigationHistory::Clear()
{
    FBack.clear();
    FForward.clear();
}

bool TNavigationHistory::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() != QEvent::MouseButtonPress)
        return false;
    const auto* Widget = qobject_cast<QWidget*>(Watched);
    if (!Widget || Widget->window() != &FWindow)
        return false;
    const auto Button = static_cast<QMouseEvent*>(Event)->button();
    if (Button != Qt::BackButton && Button != Qt::ForwardButton)
        return false;
    // The action's state may be as old as the last idle moment; the command
    // checks its rule again before it runs.
    QAction* Action = Button == Qt::BackButton ? FBackAction : FForwardAction;
    Action->setEnabled(Button == Qt::BackButton ? CanGoBack() : CanGoForward());
    Action->trigger();
    return true;
}
