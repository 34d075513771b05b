// One whole run of a case through the entry points, as the program drives
// it, in a fresh copy of the data files: initialize_qelta, then step until
// the progress reaches 1, fetching the node values every tenth step and at
// the end. Prints one line: "end", the steps, the active cells, the CPU
// seconds of the steps, the positivity passes the run log records, and the
// smallest density and pressure of the last state. A stop of the library
// prints "stop" and its message and ends the process with status 1.
//
//   qelta_case_run case=2 mach=10 angle=90 gamma=1.4 level=3 [ns=0] [iaxis=]
//                  [scheme=2] [iflux=1] [wall=2] [cfl=] [minlev=] [noise=]
//                  [steady=] [hmin=] [steps=N] [keep]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "qelta.h"

namespace fs = std::filesystem;

namespace {

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec) + 1e-6 * static_cast<double>(u.ru_utime.tv_usec);
}

std::vector<std::string> lines_of(const std::string& name) {
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

void write_lines(const std::string& name, const std::vector<std::string>& lines) {
    std::ofstream out(name);
    for (const auto& l : lines) out << l << "\n";
}

// Replaces item k (from 0) of record `line` (from 0) of a control file.
void set_item(const std::string& file, int line, int k, const std::string& value) {
    std::vector<std::string> lines = lines_of(file);
    std::istringstream in(lines.at(line));
    std::vector<std::string> items;
    for (std::string w; in >> w;) items.push_back(w);
    items.at(k) = value;
    std::string text;
    for (const auto& w : items) text += w + " ";
    lines.at(line) = text;
    write_lines(file, lines);
}

// After an entry-point call: a stop of the library ends the tool.
void exit_on_stop() {
    int size = 0, length = 0;
    get_stop_message(nullptr, &size, &length);
    if (length == 0) return;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    size = length + 1;
    get_stop_message(text.data(), &size, &length);
    text.resize(static_cast<std::size_t>(length));
    std::printf("stop %s\n", text.c_str());
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> a;
    for (int i = 1; i < argc; ++i) {
        std::string s = argv[i];
        auto eq = s.find('=');
        if (eq == std::string::npos)
            a[s].assign(1, '1');
        else
            a[s.substr(0, eq)] = s.substr(eq + 1);
    }
    auto num = [&](const char* k, double d) { return a.count(k) ? std::strtod(a[k].c_str(), nullptr) : d; };
    const int id = static_cast<int>(num("case", 2));
    const int iaxis_default = (id == 3 || id == 4 || id == 6 || id == 101) ? 1 : 0;

    std::string dir = (fs::temp_directory_path() / ("qelta-run-" + std::to_string(getpid()))).string();
    fs::remove_all(dir);
    fs::copy(QELTA_DATA_DIR, dir, fs::copy_options::recursive);
    fs::current_path(dir);
    if (a.count("scheme")) set_item("controladv.dat", 3, 0, a["scheme"]);
    if (a.count("iflux")) set_item("controladv.dat", 3, 1, a["iflux"]);
    if (a.count("wall")) set_item("controladv.dat", 1, 0, a["wall"]);
    if (a.count("hmin")) set_item("controladv.dat", 1, 1, a["hmin"]);
    if (a.count("refine")) set_item("controladv.dat", 2, 0, a["refine"]);
    if (a.count("coarse")) set_item("controladv.dat", 2, 1, a["coarse"]);
    if (a.count("smooth")) set_item("controladv.dat", 0, 1, a["smooth"]);
    if (a.count("minlev")) set_item("control.dat", 0, 0, a["minlev"]);
    if (a.count("noise")) set_item("control.dat", 0, 2, a["noise"]);
    if (a.count("cfl")) set_item("control.dat", 1, 0, a["cfl"]);
    if (a.count("steady")) set_item("control.dat", 2, 0, a["steady"]);

    double real[20] = {};
    int ints[20] = {};
    real[1] = num("mach", 2);
    real[2] = num("angle", 30);
    real[3] = num("gamma", 1.4);
    ints[1] = static_cast<int>(num("ns", (id == 101 || id == 102) ? 1 : 0));
    ints[2] = static_cast<int>(num("iaxis", iaxis_default));
    ints[4] = id;
    ints[5] = static_cast<int>(num("level", 3));
    const long max_steps = static_cast<long>(num("steps", 1e9));

    initialize_qelta(real, ints);
    exit_on_stop();
    const int cap = getIntPar(0);
    auto nx = std::make_unique<double[]>(cap), ny = std::make_unique<double[]>(cap);
    auto nr = std::make_unique<double[]>(cap), np = std::make_unique<double[]>(cap);
    auto nu = std::make_unique<double[]>(cap), nv = std::make_unique<double[]>(cap);
    auto cells = std::make_unique<int[]>(4 * static_cast<std::size_t>(cap));
    auto hang = std::make_unique<int[]>(cap);
    int nnode = 0, ncell = 0, nhang = 0;
    auto fetch = [&] {
        get_cell_vertex(nx.get(), ny.get(), &nnode, cells.get(), &ncell, hang.get(), &nhang, nr.get(), np.get(),
                        nu.get(), nv.get());
        exit_on_stop();
    };
    fetch();
    double progress = 0, cpu = 0;
    long n = 0;
    while (progress < 1 && n < max_steps) {
        double t0 = cpu_seconds();
        step(&progress);
        cpu += cpu_seconds() - t0;
        exit_on_stop();
        ++n;
        if (n % 10 == 0) fetch();
    }
    fetch();
    close_recording_file();
    double rmin = *std::min_element(nr.get(), nr.get() + nnode);
    double pmin = *std::min_element(np.get(), np.get() + nnode);
    int passes = 0;
    for (const auto& l : lines_of("record.txt"))
        if (l.find("Positivity fallback") != std::string::npos) ++passes;
    std::printf("end steps %ld cells %d cpu %.3f positivity %d rmin %.4g pmin %.4g\n", n, getIntPar(1), cpu,
                passes, rmin, pmin);
    fs::current_path(fs::temp_directory_path());
    if (!a.count("keep")) fs::remove_all(dir);
    return 0;
}
