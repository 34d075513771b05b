// The about box: the program's icon, product name and the maker's texts,
// the last of them a link to the maker's web page.
#pragma once

#include <QDialog>
#include <QUrl>

class QFrame;
class QLabel;

namespace vorlantic {

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // The maker's web page, opened by a click on Comments.
    static const QUrl kMakerUrl;

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;

    void FormShow();
    void CommentsClick();
    void CommentsMouseMove();
    void FormMouseMove();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetCommentsColor(const QColor& color);
};

extern TAboutBox* AboutBox;

}  // namespace vorlantic
