// Writes the logs the Python tests read into the folder given: the log
// writer's reference logs (every format and layout) and a few more: values
// that are no numbers, a meter log cut inside its last record, a log of
// twelve channels longer than one read block, and a PC log under a Latin-1
// file name.
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <limits>

#include "tools/logwriter/log_cases.h"

namespace lw = corvex::logwriter;

namespace {

lw::LogDescription pc_log(int channels, int records) {
    lw::LogDescription d;
    d.format = lw::Format::Pc;
    d.error_flags = 0x1000;
    d.interval = 1;
    d.start_time = 45356.25;
    d.end_time = 45356.25 + records / 86400.0;
    for (int c = 0; c < channels; ++c) {
        lw::Channel ch;
        ch.channel = static_cast<std::int16_t>(c + 1);
        ch.unit_type = 577;
        ch.computer = "FLOWPC";
        ch.label = c % 3 == 2 ? "Flow" : "Flow " + std::to_string(c);  // some labels repeat
        ch.symbol = c % 4 == 3 ? "" : "m/s";
        d.channels.push_back(ch);
    }
    for (int r = 0; r < records; ++r) {
        lw::Record rec{45356.25 + r / 86400.0, {}, {}, 0};
        for (int c = 0; c < channels; ++c) {
            rec.values.push_back(std::sin(r * 0.01 + c) * 1000.0 / 3.0);
            rec.errors.push_back(static_cast<std::int16_t>((r * 7 + c) % 5 == 0 ? -c : 0));
        }
        d.records.push_back(rec);
    }
    d.trailing_bytes = std::string(24, '\0');  // so that the last record counts
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make-python-test-logs FOLDER\n", stderr);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    try {
        std::filesystem::create_directories(dir);
        for (const lw::LogCase& c : lw::reference_log_cases()) lw::write_log(dir / (c.name + ".log"), c.desc);

        lw::LogDescription odd = pc_log(3, 4);
        const double inf = std::numeric_limits<double>::infinity();
        odd.records[1].values = {std::nan(""), inf, -inf};
        odd.records[2].values = {-0.0, 1e308, 5e-324};
        odd.records[3].time = 0.0;  // the time part alone
        lw::write_log(dir / "pc_not_numbers.log", odd);

        lw::LogDescription cut = lw::reference_log_cases()[4].desc;  // meter, doubles, detailed errors
        cut.truncate_to = lw::build_log(cut).size() - 3;
        lw::write_log(dir / "meter_cut_last_record.log", cut);

        lw::write_log(dir / "pc_twelve_channels_long.log", pc_log(12, 20000));
        lw::write_log(dir / "caf\xE9 latin-1.log", pc_log(2, 3));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-python-test-logs: %s\n", e.what());
        return 1;
    }
    return 0;
}
