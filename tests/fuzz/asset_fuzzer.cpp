// libFuzzer target for the part of the game that reads a table we did not
// write: the base64 decoder, the name check and the unpacker. Built and run
// by tools/ci/fuzz.sh. The input is a table: entries separated by a 0x01
// byte, each a name, a 0x02 byte and a text.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "shell/asset_files.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    try {
        (void)molvane::decode_asset("fuzz", input);
    } catch (const std::exception&) {}
    try {
        molvane::check_asset_name(input);
    } catch (const std::exception&) {}

    std::vector<assets::Entry> table;
    for (std::size_t start = 0; start <= input.size() && table.size() < 16;) {
        std::size_t end = input.find('\x01', start);
        if (end == std::string_view::npos) end = input.size();
        std::string_view entry = input.substr(start, end - start);
        std::size_t split = entry.find('\x02');
        if (split != std::string_view::npos) table.push_back({entry.substr(0, split), entry.substr(split + 1)});
        start = end + 1;
    }
    try {
        molvane::UnpackedAssets files(table);
        for (const auto& entry : table) (void)files.path(entry.name);
        files.remove();
    } catch (const std::exception&) {}
    return 0;
}
