// The game started on an asset table read from a file, so that tests can run
// the real start-up on tables of their own as a separate program, exactly as
// a player starts the game: `table_runner TABLE_FILE`.
//
// The file holds the entries one after another, each as the name's length, the
// name, the text's length and the text; lengths are 4-byte little-endian.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/start_up.hpp"

namespace {

bool read_field(std::istream& in, std::string& field) {
    unsigned char size[4];
    if (!in.read(reinterpret_cast<char*>(size), 4)) return false;
    std::uint32_t length = size[0] | size[1] << 8 | size[2] << 16 | std::uint32_t(size[3]) << 24;
    field.resize(length);
    return static_cast<bool>(in.read(field.data(), length));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: table_runner TABLE_FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<std::pair<std::string, std::string>> texts;
    std::string name;
    std::string text;
    while (read_field(in, name) && read_field(in, text)) texts.emplace_back(name, text);
    std::vector<assets::Entry> table;
    for (const auto& [n, t] : texts) table.push_back({n, t});
    return molvane::run(table);
}
