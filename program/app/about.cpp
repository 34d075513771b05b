#include "app/about.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/Errors.h"

namespace vorlantic {

TAboutBox* AboutBox = nullptr;

const QUrl TAboutBox::kMakerUrl("https://example.org/brelvane/");

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent, Qt::Tool) {
    setWindowTitle("About");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    layout->addWidget(Panel1);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setGeometry(8, 8, 64, 64);
    ProgramIcon->setScaledContents(true);
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    ProgramIcon->setPixmap(icon.pixmap(64, 64));

    ProductName = new QLabel("Brelvane", Panel1);
    QFont font("Times New Roman");
    font.setPixelSize(16);
    font.setBold(true);
    ProductName->setFont(font);
    ProductName->move(80, 8);
    ProductName->adjustSize();

    Version = new QLabel(Panel1);
    Version->setGeometry(80, 30, 120, 14);

    Copyright = new QLabel("Brelvane flow laboratory", Panel1);
    Copyright->move(80, 46);
    Copyright->adjustSize();

    Comments = new QLabel("Visit the Brelvane flow laboratory on the web", Panel1);
    QFont link = Comments->font();
    link.setUnderline(true);
    Comments->setFont(link);
    Comments->move(80, 66);
    Comments->adjustSize();
    Comments->setCursor(Qt::PointingHandCursor);
    SetCommentsColor(Qt::blue);

    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Comments)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

void TAboutBox::SetCommentsColor(const QColor& color) {
    QPalette palette = Comments->palette();
    palette.setColor(QPalette::WindowText, color);
    Comments->setPalette(palette);
}

void TAboutBox::FormShow() {
    resize(2 * Comments->x() + Comments->width(), ProgramIcon->y() + ProgramIcon->height() + 30);
}

void TAboutBox::CommentsClick() { QDesktopServices::openUrl(kMakerUrl); }

void TAboutBox::CommentsMouseMove() { SetCommentsColor(Qt::red); }

void TAboutBox::FormMouseMove() { SetCommentsColor(Qt::blue); }

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) platform::CallHandler([this] { FormShow(); });
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        if (watched != Comments) {
            FormMouseMove();
        } else {
            // Taken here, so that the move does not reach the panel below.
            CommentsMouseMove();
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonRelease && watched == Comments) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Comments->rect().contains(mouse->position().toPoint()))
            CommentsClick();
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vorlantic
