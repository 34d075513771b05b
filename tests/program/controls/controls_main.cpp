// Test driver of the controls: one QApplication around the test cases. With
// VORLANTIC_TEST_XVFB the process first starts a private X server (Xvfb
// chooses a free display and reports it), since OpenGL widgets need a real
// window; otherwise the tests run on Qt's offscreen platform. Message boxes
// are recorded and answered at once (shown_messages.h).
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shown_messages.h"

namespace vorlantic::testing {

std::vector<platform::MessageRequest>& ShownMessages() {
    static std::vector<platform::MessageRequest> shown;
    return shown;
}

}  // namespace vorlantic::testing

namespace {

class XServer {
public:
    XServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            // The server ends with this process, also when a test ends it
            // early (a crash or the library's fatal stop): left running, it
            // would hold the test runner's output open.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(1);
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                   "-noreset", static_cast<char*>(nullptr));
            std::fprintf(stderr, "cannot start Xvfb\n");
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        while (poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~XServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
#ifdef VORLANTIC_TEST_XVFB
    XServer server;
    if (server.display().empty()) {
        std::fprintf(stderr, "no X server: Xvfb did not report a display\n");
        return 1;
    }
    setenv("DISPLAY", server.display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
#else
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
#endif
    vorlantic::platform::ScopedMessageHook hook([](const vorlantic::platform::MessageRequest& request) {
        vorlantic::testing::ShownMessages().push_back(request);
        return vorlantic::platform::MsgResult::Ok;
    });
    int rc;
    {
        QApplication app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    return rc;
}
