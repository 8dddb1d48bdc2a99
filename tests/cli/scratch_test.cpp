#include <gtest/gtest.h>
#include <iostream>
#include "cli_runner.h"
#include "test_logs.h"
using namespace corvex::cli_test;
TEST(Scratch, Show) {
    TempFolder f;
    auto pc = f.write_log("pc.log", pc_log());
    auto meter = f.write_log("meter.log", meter_log());
    auto cut = f.write_log("cut.log", meter_log_cut_in_last_record());
    auto none = f.write_log("none.log", pc_log_without_units());
    auto junk = f.write_bytes("junk.log", std::string(2000, 'x'));
    for (auto args : std::vector<std::vector<std::string>>{{"info", pc}, {"info", meter}, {"info", none}, {"info", junk}, {"dump", pc}, {"dump", "--json", pc}, {"dump", "--json", meter}, {"dump", cut}, {"export", pc, "-o", (f/"o.csv").string()}, {"export", cut, "-o", (f/"c.csv").string()}, {"convert", meter, (f/"conv.log").string()}, {"typelib"}}) {
        auto r = run_corvex(args);
        std::cout << "== " << args[0] << " status " << r.status << "\n" << r.out << "-- err:\n" << r.err;
    }
    std::cout << read_file(f/"o.csv") << read_file(f/"c.csv");
}
