// Molvane: strike the rabbits before they hide.
#include "shell/start_up.hpp"

int main() { return molvane::run(); }
