#include "driver/commands.h"

int main() { return kemra(); }
