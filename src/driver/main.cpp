#include "driver/kemra.h"

int main() { return kemra(); }
