#include "common/log.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace qelta {

namespace {

struct Unit {
    std::FILE* file = nullptr;
    std::string name;
};

Unit units[max_unit + 1];

Unit* unit_slot(int unit) { return (unit >= 0 && unit <= max_unit) ? &units[unit] : nullptr; }

}  // namespace

void open_unit(int unit, std::string_view name) {
    Unit* u = unit_slot(unit);
    if (!u) fatal_stop({free_text("Unit number out of range: ", unit)});
    if (u->file && u->name == name) return;
    if (u->file) std::fclose(u->file);
    u->name = std::string(name);
    u->file = std::fopen(u->name.c_str(), "w");
    if (!u->file) {
        u->name.clear();
        fatal_stop({"Cannot create the file \"" + std::string(name) + "\""});
    }
    std::setvbuf(u->file, nullptr, _IOLBF, 1 << 16);
}

void close_unit(int unit) {
    Unit* u = unit_slot(unit);
    if (!u || !u->file) return;
    std::fclose(u->file);
    u->file = nullptr;
    u->name.clear();
}

bool unit_is_open(int unit) {
    Unit* u = unit_slot(unit);
    return u && u->file;
}

void write_record(int unit, std::string_view text) {
    Unit* u = unit_slot(unit);
    std::FILE* f = (u && u->file) ? u->file : stderr;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fputc('\n', f);
}

void flush_units() {
    for (Unit& u : units)
        if (u.file) std::fflush(u.file);
    std::fflush(stdout);
    std::fflush(stderr);
}

namespace {

int entry_depth = 0;  // entry-point calls in progress

}  // namespace

EntryCall::EntryCall() { ++entry_depth; }
EntryCall::~EntryCall() { --entry_depth; }

void write_stop_records(std::initializer_list<std::string_view> records, int unit) {
    for (std::string_view r : records) {
        if (unit_is_open(unit)) write_free(unit, r);
#ifndef QELTA_FUZZ
        std::fprintf(stderr, "QELTA: %.*s\n", static_cast<int>(r.size()), r.data());
#endif
    }
    flush_units();
}

void fatal_stop(std::initializer_list<std::string_view> records, int unit) {
    write_stop_records(records, unit);
#ifndef QELTA_FUZZ
    // No destructors run: the stop may come from inside a call of the
    // program's, which has no way to hear of it.
    if (entry_depth == 0) std::_Exit(1);
#endif
    std::string text;
    for (std::string_view r : records) {
        if (!text.empty()) text += '\n';
        text += r;
    }
    throw Stop(text.empty() ? std::string("fatal stop") : text);
}

void fatal_stop(std::initializer_list<std::string_view> records) { fatal_stop(records, run.iolog); }

}  // namespace qelta
