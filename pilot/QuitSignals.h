#pragma once

// Interrupt, termination and hang-up end a glider-pilot flight the way
// Escape does: the handlers only note the signal, and the main loop, which
// looks every frame, leaves through its own ending (flight and settings
// saved). A second such signal, for a program that seems stuck, gets what
// the signal would have got before install() (the pending temporary files
// removed, then the signal's default action).
//
// Install after the first temporary file is created and after SDL_Init, so
// that neither replaces these handlers; a signal the process was started
// ignoring (nohup) stays ignored.
namespace quit_signals {

void install();
// The first signal received since install(), or 0.
int received();

} // namespace quit_signals
