// The contour dialogs and the about box on the main window: texts from the
// text table at showing, the stored variable and line count, their placing
// beside the left panel, and the about box's link.
#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <vector>

#include "bench_window.h"

namespace vorlantic::testing {

// Receives the web pages the program asks to open.
class UrlCatcher : public QObject {
    Q_OBJECT

public slots:
    void Open(const QUrl& url) { urls.push_back(url); }

public:
    std::vector<QUrl> urls;
};

namespace {

using Dialogs = BenchWindow;

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

TEST_F(Dialogs, ContourSettingsShowsTheStoredVariableBesideTheLeftPanelAndStoresTheChoice) {
    TfrmContourSettings* d = frmContourSettings;
    w->FContourVariable = 2;
    d->show();
    EXPECT_EQ(d->windowTitle(), "Contour settings");
    EXPECT_EQ(d->btnOK->text(), "OK");
    EXPECT_EQ(Items(d->cbVariables), QStringList({"Density", "Pressure", "U", "V"}));
    EXPECT_EQ(d->cbVariables->currentIndex(), 2);
    EXPECT_EQ(d->x(), w->x() + w->PanelLeft->width() - d->width());

    d->cbVariables->setCurrentIndex(3);
    QTest::mouseClick(d->btnOK, Qt::LeftButton);
    EXPECT_EQ(w->FContourVariable, 3);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Accepted);

    d->show();
    EXPECT_EQ(d->cbVariables->currentIndex(), 3);
}

TEST_F(Dialogs, ContourLineSettingsStoresAPositiveCountAndTheVariableUnlessTheCountIsNoNumber) {
    struct Case {
        const char* text;
        int variable;
        int levels;    // expected
        int stored;    // expected variable
        bool message;  // conversion error shown
    };
    const Case cases[] = {
        {"12", 1, 12, 1, false},   {" 7", 3, 7, 3, false},   {"0", 2, 30, 2, false},
        {"-3", 3, 30, 3, false},   {"2000", 2, 2000, 2, false}, {"2001", 1, 30, 0, true},
        {"999999999", 1, 30, 0, true}, {"abc", 1, 30, 0, true},  {"2.5", 2, 30, 0, true},
    };
    TfrmContourLineSettings* d = frmContourLineSettings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        w->FContourLevels = 30;
        w->FContourVariable = 0;
        shown.clear();
        d->show();
        // The text table's four variables replace the designed two.
        EXPECT_EQ(Items(d->cbVariables), QStringList({"Density", "Pressure", "U", "V"}));
        EXPECT_EQ(d->edLineNum->text(), "30");
        EXPECT_EQ(d->lblLineNumber->text(), "Line number");
        EXPECT_EQ(d->x(), w->x() + w->PanelLeft->width() - d->width());
        d->edLineNum->setText(c.text);
        d->cbVariables->setCurrentIndex(c.variable);
        QTest::mouseClick(d->btnOK, Qt::LeftButton);
        EXPECT_EQ(w->FContourLevels, c.levels);
        EXPECT_EQ(w->FContourVariable, c.stored);
        EXPECT_EQ(shown.size(), c.message ? 1u : 0u);
        EXPECT_FALSE(d->isVisible());
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "'2.5' is not a valid integer value.");
}

TEST_F(Dialogs, AboutBoxFitsItsLabelsAndItsLinkOpensTheMakersPage) {
    TAboutBox* d = AboutBox;
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    EXPECT_EQ(d->windowTitle(), "About");
    EXPECT_EQ(d->ProductName->text(), "Brelvane");
    EXPECT_EQ(d->ProductName->font().family(), "Times New Roman");
    EXPECT_EQ(d->ProductName->font().pixelSize(), 16);
    EXPECT_TRUE(d->ProductName->font().bold());
    EXPECT_TRUE(d->Version->text().isEmpty());
    EXPECT_FALSE(d->Comments->text().isEmpty());
    EXPECT_TRUE(d->Comments->font().underline());
    EXPECT_EQ(d->width(), 2 * d->Comments->x() + d->Comments->width());
    EXPECT_EQ(d->height(), d->ProgramIcon->y() + d->ProgramIcon->height() + 30);
    // Every label lies inside the box.
    for (QLabel* label : {d->ProductName, d->Version, d->Copyright, d->Comments})
        EXPECT_TRUE(d->Panel1->rect().contains(label->geometry())) << label->text().toStdString();

    auto colour = [d] { return d->Comments->palette().color(QPalette::WindowText); };
    EXPECT_EQ(colour(), QColor(Qt::blue));
    MoveOver(d->Comments, d->Comments->rect().center());
    EXPECT_EQ(colour(), QColor(Qt::red));
    MoveOver(d->Panel1, QPoint(2, 2));
    EXPECT_EQ(colour(), QColor(Qt::blue));

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(TAboutBox::kMakerUrl.scheme(), &catcher, "Open");
    QTest::mouseClick(d->Comments, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(TAboutBox::kMakerUrl.scheme());
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_EQ(catcher.urls[0], TAboutBox::kMakerUrl);
}

}  // namespace
}  // namespace vorlantic::testing

#include "dialogs_test.moc"
