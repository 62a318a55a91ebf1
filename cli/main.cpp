// panelink: the command-line tool over the panelink library.
#include <clocale>
#include <iostream>

#include "app.h"

int main(int argc, char **argv) {
    // The library writes device texts in the current locale: the user's, for the terminal.
    std::setlocale(LC_CTYPE, "");
    return panelink::cli::run(argc, argv, std::cout, std::cerr);
}
