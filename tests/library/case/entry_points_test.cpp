// Links the shipped library the way the program does and checks what it
// exports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "qelta.h"

namespace {

struct EntryPoint {
    const char* name;
    void* address;
};

const EntryPoint entry_points[] = {
    {"initialize_qelta", reinterpret_cast<void*>(&initialize_qelta)},
    {"step", reinterpret_cast<void*>(&step)},
    {"getIntPar", reinterpret_cast<void*>(&getIntPar)},
    {"close_recording_file", reinterpret_cast<void*>(&close_recording_file)},
    {"initial_optics", reinterpret_cast<void*>(&initial_optics)},
    {"close_optics", reinterpret_cast<void*>(&close_optics)},
    {"get_cell_vertex", reinterpret_cast<void*>(&get_cell_vertex)},
    {"OPTICS_SHADOWGRAPH_A", reinterpret_cast<void*>(&OPTICS_SHADOWGRAPH_A)},
    {"OPTICS_SHADOWGRAPH_A0", reinterpret_cast<void*>(&OPTICS_SHADOWGRAPH_A0)},
    {"get_stop_message", reinterpret_cast<void*>(&get_stop_message)},
};

TEST(EntryPoints, ResolveIntoTheLibrary) {
    // glibc exports a legacy "step" of its own; ours must win.
    for (const auto& ep : entry_points) {
        Dl_info info{};
        ASSERT_NE(dladdr(ep.address, &info), 0) << ep.name;
        EXPECT_NE(std::string(info.dli_fname).find("libQELTA.so"), std::string::npos)
            << ep.name << " resolves into " << info.dli_fname;
        EXPECT_STREQ(info.dli_sname, ep.name);
    }
    EXPECT_EQ(getIntPar(0), 200000);
}

TEST(EntryPoints, LibraryExportsNothingElse) {
    std::string cmd = std::string("nm -D --defined-only ") + QELTA_LIBRARY + " 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        char type = 0;
        char name[400] = {};
        if (std::sscanf(line, "%*s %c %399s", &type, name) != 2) continue;
        if (type == 'A') continue;  // the version node
        std::string n = name;
        exported.insert(n.substr(0, n.find('@')));
    }
    ASSERT_EQ(pclose(pipe), 0);
    std::set<std::string> expected;
    for (const auto& ep : entry_points) expected.insert(ep.name);
    EXPECT_EQ(exported, expected);
}

}  // namespace
