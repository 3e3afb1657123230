// Writes what is installed beside the executable and made from the commands' declarations:
// the manual page and the bash, zsh and fish completions.
//   dustlyn-docs OUTPUT-FOLDER MANUAL-TEMPLATE VERSION
#include "cli/CompletionScripts.h"
#include "cli/ManualPage.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

bool write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "dustlyn-docs: cannot write " << file.native() << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: dustlyn-docs OUTPUT-FOLDER MANUAL-TEMPLATE VERSION\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream manual;
    manual << in.rdbuf();
    if (!in) {
        std::cerr << "dustlyn-docs: cannot read " << argv[2] << "\n";
        return 1;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const bool written =
        write(folder / "dustlyn.1", dustlyn::ManualPage::roff(manual.str(), argv[3])) &&
        write(folder / "dustlyn.bash", dustlyn::CompletionScripts::bash()) &&
        write(folder / "_dustlyn", dustlyn::CompletionScripts::zsh()) &&
        write(folder / "dustlyn.fish", dustlyn::CompletionScripts::fish());
    return written ? 0 : 1;
}
