#pragma once

// Gives every closed descriptor among standard input, output and error
// (0, 1, 2) the null device, opened for reading (0) or writing (1, 2).
//
// A program started with one of them closed (`>&-`, `2>&-`) would otherwise
// hand that number to the first file it opens, and everything later printed
// "on standard output" would land inside that file, or inside the X server
// connection. Call it first thing in main, before anything opens a file.
//
// If the null device cannot be opened the process ends at once with status
// 1: running on would corrupt whatever took the number, and with a standard
// stream closed there may be nowhere to say so.
void openClosedStandardStreams();
