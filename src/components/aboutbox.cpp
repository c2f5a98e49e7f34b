#include "components/aboutbox.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QSysInfo>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr int ClientWidth = 340;
constexpr int ClientHeight = 256;
constexpr int LabelHeight = 13;

// A label of the dialog. It sizes itself to its text and keeps the edge it is
// aligned to: the left edge, or for right-aligned labels the right edge.
QLabel* AddLabel(QDialog& Window, int Left, int Top, int Width, Qt::Alignment Alignment,
                 const QString& Text)
{
    auto* Label = new QLabel(&Window);
    Label->setGeometry(Left, Top, Width, LabelHeight);
    Label->setAlignment(Alignment | Qt::AlignTop);
    Label->setText(Text);
    const QSize Fit = Label->sizeHint();
    const int NewLeft = Alignment & Qt::AlignRight ? Left + Width - Fit.width() : Left;
    Label->setGeometry(NewLeft, Top, Fit.width(), Fit.height());
    return Label;
}

// "#,### KB": kilobytes rounded to the nearest whole number, grouped by
// thousands with the user's separator.
QString KiloBytesText(std::uint64_t Bytes)
{
    const std::uint64_t KiloBytes = Bytes / 1024 + (Bytes % 1024 >= 512 ? 1 : 0);
    const QString Digits = KiloBytes == 0
        ? QString()
        : QString::fromStdString(platform::FormatThousands(KiloBytes, QLocale().groupSeparator().toStdString()));
    return Digits + QStringLiteral(" KB");
}

// The caption names the system whose memory the figure counts.
QString SystemName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("Windows");
#elif defined(Q_OS_LINUX)
    return QStringLiteral("Linux");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("macOS");
#else
    return QSysInfo::kernelType();
#endif
}

void CentreOnScreen(QDialog& Window)
{
    const QScreen* Screen = QGuiApplication::primaryScreen();
    if (!Screen)
        return;
    Window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, Window.size(),
                                           Screen->availableGeometry()));
}

// The dialog's controls as Execute creates them, at their designed places.
struct TAboutControls {
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* PhysMemCaption;
    QLabel* PhysMem;
    QLabel* FreeCaption;
    QLabel* Free;
    QFrame* Bevel;
    QPushButton* OkButton;
};

// The layout was drawn for one face at 96 dpi; other faces and sizes, and the
// longer figures of today's memory sizes, need more room. Where the designed
// client area holds every text, nothing moves. Otherwise the dialog grows:
// wider until no text runs past the figures' right edge nor a caption under
// its figure, taller until no row runs into the next.
void FitToTexts(QDialog& Window, const TAboutControls& C)
{
    constexpr int Gap = 8;         // between a caption and its figure
    constexpr int RowGap = 2;      // between the bottom of a row and the next
    constexpr int FigureRight = 328;

    int Wider = 0;
    for (const QLabel* Heading : {C.ProductName, C.Version, C.Copyright})
        Wider = std::max(Wider, Heading->geometry().right() + 1 - FigureRight);
    for (const auto& [Caption, Figure] : {std::pair{C.PhysMemCaption, C.PhysMem}, std::pair{C.FreeCaption, C.Free}})
        Wider = std::max(Wider, Caption->x() + Caption->width() + Gap + Figure->width() - FigureRight);

    // Each row keeps its designed top unless the row above reaches into it;
    // everything below moves down by as much as the row had to.
    int Lower = 0;
    int Bottom = 0;
    const auto Place = [&](std::initializer_list<QWidget*> Row) {
        const int DesignedTop = (*Row.begin())->y();
        const int Top = std::max(DesignedTop + Lower, Bottom == 0 ? DesignedTop : Bottom + RowGap);
        Lower = Top - DesignedTop;
        for (QWidget* Widget : Row) {
            Widget->move(Widget->x(), Top);
            Bottom = std::max(Bottom, Widget->geometry().bottom() + 1);
        }
    };
    Place({C.ProductName});
    Place({C.Version});
    Place({C.Copyright});
    Place({C.Bevel});
    Place({C.PhysMemCaption, C.PhysMem});
    Place({C.FreeCaption, C.Free});
    Place({C.OkButton});

    for (QLabel* Figure : {C.PhysMem, C.Free})
        Figure->move(FigureRight + Wider - Figure->width(), Figure->y());
    C.Bevel->resize(C.Bevel->width() + Wider, C.Bevel->height());
    C.OkButton->move(C.OkButton->x() + Wider, C.OkButton->y());
    Window.setFixedSize(ClientWidth + Wider, ClientHeight + Lower);
}

} // namespace

TAboutBox::TAboutBox(QObject* AOwner) : QObject(AOwner) {}

platform::TVersionData TAboutBox::VersionData() const
{
    // The path in the system's 8-bit encoding, as the version calls take it.
    return platform::GetVersionData(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
}

platform::TMemoryStatus TAboutBox::MemoryStatus() const
{
    return platform::GetMemoryStatus();
}

QFont TAboutBox::DialogFont() const
{
    QFont Font(QStringLiteral("Tahoma"), 8);
    // Where Tahoma is missing, whatever plain sans-serif face the system has;
    // the dialog makes room for it.
    Font.setStyleHint(QFont::SansSerif);
    return Font;
}

bool TAboutBox::Execute()
{
    const platform::TVersionData Version = VersionData();
    const QString ProductName = QString::fromStdString(Version.ProductName);

    // A fresh window at every call, released as soon as it has closed.
    auto Window = std::make_unique<QDialog>(
        nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                     Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    Window->setObjectName(QStringLiteral("AboutBox"));
    Window->setWindowTitle(tr("About %1").arg(ProductName));
    Window->setFont(DialogFont());
    Window->setFixedSize(ClientWidth, ClientHeight);

    TAboutControls C{};
    C.ProductName = AddLabel(*Window, 76, 16, 83, Qt::AlignLeft, ProductName);
    C.ProductName->setObjectName(QStringLiteral("lblProductName"));
    C.Version = AddLabel(*Window, 76, 32, 90, Qt::AlignLeft,
                         tr("Version %1").arg(QString::fromStdString(Version.FileVersion)));
    C.Version->setObjectName(QStringLiteral("lblVersion"));
    C.Copyright = AddLabel(*Window, 76, 48, 99, Qt::AlignLeft, QString::fromStdString(Version.LegalCopyright));
    C.Copyright->setObjectName(QStringLiteral("lblCopyright"));
    C.PhysMemCaption =
        AddLabel(*Window, 76, 168, 187, Qt::AlignLeft, tr("Physical memory available to %1:").arg(SystemName()));
    C.PhysMemCaption->setObjectName(QStringLiteral("lblPhysMemCaption"));
    const platform::TMemoryStatus Memory = MemoryStatus();
    C.PhysMem = AddLabel(*Window, 264, 168, 64, Qt::AlignRight, KiloBytesText(Memory.TotalPhys));
    C.PhysMem->setObjectName(QStringLiteral("lblPhysMem"));
    C.FreeCaption = AddLabel(*Window, 76, 190, 187, Qt::AlignLeft, tr("System resources:"));
    C.FreeCaption->setObjectName(QStringLiteral("lblFreeCaption"));
    const unsigned FreeShare = 100 - std::min<std::uint32_t>(Memory.MemoryLoad, 100);
    C.Free = AddLabel(*Window, 264, 190, 64, Qt::AlignRight, tr("%1% Free").arg(FreeShare));
    C.Free->setObjectName(QStringLiteral("lblFree"));

    // The bevel: one line along its top edge, above the memory figures.
    C.Bevel = new QFrame(Window.get());
    C.Bevel->setObjectName(QStringLiteral("bvlMemory"));
    C.Bevel->setFrameShape(QFrame::HLine);
    C.Bevel->setFrameShadow(QFrame::Sunken);
    C.Bevel->setGeometry(76, 156, 253, 2);

    auto* Image = new QLabel(Window.get());
    Image->setObjectName(QStringLiteral("imgIcon"));
    Image->setGeometry(20, 16, 32, 32);
    const QIcon Icon = QApplication::windowIcon();
    if (!Icon.isNull())
        Image->setPixmap(Icon.pixmap(32, 32));

    C.OkButton = new QPushButton(tr("OK"), Window.get());
    C.OkButton->setObjectName(QStringLiteral("btnOK"));
    C.OkButton->setGeometry(252, 220, 77, 25);
    C.OkButton->setDefault(true);
    connect(C.OkButton, &QPushButton::clicked, Window.get(), &QDialog::accept);
    // The only control that takes the focus, so it is first in the tab order;
    // Esc reaches QDialog::reject, the dialog's cancel.
    C.OkButton->setFocus();

    FitToTexts(*Window, C);
    CentreOnScreen(*Window);
    Window->exec();
    return true;
}
