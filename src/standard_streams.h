#pragma once

// Puts /dev/null on any of descriptors 0 to 2 that the program was started
// without (`2>&-`, some launchers and cron). Otherwise the next file opened,
// the X connection among them, takes its number, and whatever is printed
// there goes into it. Call first thing in main.
void fill_closed_standard_streams();
