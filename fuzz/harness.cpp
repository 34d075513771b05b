#include "harness.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "case/entry.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/grid_store.h"

namespace fs = std::filesystem;

namespace qelta::fuzz {

void enter_work_dir() {
    std::string tmpl = (fs::temp_directory_path() / "qelta-fuzz-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    const fs::path dir = buf.data();
    const fs::path data = QELTA_DATA_DIR;
    fs::copy(data / "control.dat", dir);
    fs::copy(data / "controladv.dat", dir);
    fs::copy(data / "grid", dir / "grid", fs::copy_options::recursive);
    fs::current_path(dir);
    static fs::path made;
    made = dir;
    std::atexit([] {
        std::error_code ec;
        fs::current_path(made.parent_path(), ec);
        fs::remove_all(made, ec);
    });
}

void reset_library() {
    for (int u = 0; u <= max_unit; ++u) close_unit(u);
    run = RunParams{};
    ref = Reference{};
    gas = Gas{};
    grid = GridCounts{};
    run.iolog = 6;
    init_common();
}

bool accepts(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::runtime_error&) {
        return false;
    }
    // An entry point takes its stop back itself and keeps the message.
    return entry_stop_text().empty();
}

void write_bytes(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) {
        std::perror(name.c_str());
        std::abort();
    }
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace qelta::fuzz
