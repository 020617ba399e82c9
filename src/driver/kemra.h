// The program: start-up, banner, command loop.
#pragma once

// Runs the program; returns only through stopit.
int kemra();
