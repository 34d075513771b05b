#include "platform/Errors.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstring>
#include <filesystem>

#include "platform/MessageBoxes.h"

namespace vorlantic::platform {

EFOpenError EFOpenError::ForFile(const std::string& fileName, int errorNumber) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(fileName, ec);
    std::string shown = ec ? fileName : full.lexically_normal().string();
    return EFOpenError("Cannot open file \"" + shown + "\". " + std::strerror(errorNumber));
}

namespace {

QString ApplicationTitle() {
    QString title = QGuiApplication::applicationDisplayName();
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

}  // namespace

void ShowException(const std::exception& e) {
    QString text = QString::fromStdString(e.what());
    if (!text.isEmpty() && text.back() > QChar('.')) text += '.';
    MessageBox(text, ApplicationTitle(), MsgButtons::Ok, MsgIcon::Error);
}

bool CallHandler(const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(std::runtime_error(""));
    }
    return false;
}

}  // namespace vorlantic::platform
