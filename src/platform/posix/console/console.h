// The console klavrun gives the programs it starts: a pseudo-terminal of
// 80 x 25 (or --size), its screen model, and the traffic between them.
//
// klavrun holds the master side. Everything programs write is taken in by
// the screen model and passed through to klavrun's standard output; typed
// keys, the script's and those of the person at the terminal, are queued
// and written out as the programs make room for them.
#ifndef KLAVRUN_PLATFORM_POSIX_CONSOLE_CONSOLE_H_
#define KLAVRUN_PLATFORM_POSIX_CONSOLE_CONSOLE_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/posix/console/screen_model.h"

namespace posix {

/// Opens the pseudo-terminal and the screen model. False with a message
/// when the system has no pseudo-terminal to give.
bool OpenConsole(std::string* error);

/// Gives the console another size (--size), before any program starts: the
/// pseudo-terminal's window size and a new screen model.
void ResizeConsole(int columns, int rows);

/// The programs' side of the console, close-on-exec in klavrun itself.
int ConsoleSlave();

/// The character the console's line discipline turns into SIGINT, or -1.
int InterruptChar();

ScreenModel& Screen();

/// Call after queueing input (the screen model appends key encodings to the
/// queue itself): makes progress without waiting once enough has piled up.
void InputQueued();

/// The keys queued from now on, up to EndSecretInput, are a secret: the
/// recording shows `placeholder` once in their place. Each key typed meanwhile
/// tells SecretKeysQueued where its bytes began in the queue.
void BeginSecretInput(const std::string& placeholder);
void SecretKeysQueued(std::size_t from);
void EndSecretInput();
/// Bytes in the input queue: where the next key's bytes will begin.
std::size_t QueuedInputSize();

/// Takes in everything programs have written so far and writes what they
/// have room for of the queued input. Never waits.
void TakeIn();

/// Hands all queued input to the programs before something that could see
/// it. Keeps taking in output meanwhile; gives up once programs stop
/// reading.
void FlushInput();

/// At the end of the script: writes the queued input while a program runs
/// and takes it, giving up after idle_limit_ms (0: never) without progress.
/// What was left, and whether the programs stopped taking it.
platform::KeysGivenUp TypeTheRest(std::uint32_t idle_limit_ms);

/// Remembers that the screen was read: a later wait that finds no new
/// output since then may block.
void MarkScreenRead();

/// When nothing arrived since the screen was read twice in a row, waits up
/// to max_ms for output.
void WaitForNewOutput(int max_ms);

/// Sleeps, taking in output meanwhile.
void SleepTakingIn(std::uint32_t milliseconds);

/// Waits until fd is readable, taking in output meanwhile.
void WaitReadable(int fd);

/// True when programs wrote something that was not taken in yet.
bool OutputWaiting();

/// Writes the programs' output held back so far to standard output. Call
/// before anything else reaches standard output or standard error.
void PassOutput();

/// While paused, the person's keys stay on their terminal (a message box
/// reads its Enter there itself).
void PauseRelay(bool paused);

/// When the person is at the terminal and programs the script started
/// still run: relays both ways until they have all ended, or the person's
/// terminal goes away.
void HandOver();

/// Relays both ways for up to timeout_ms, as HandOver does. False once the
/// programs have all ended or the person's terminal has gone.
bool Relay(int timeout_ms);

/// Each piece the person types goes to `filter` instead of the programs'
/// queue; the filter queues what it lets through itself (typing it on the
/// screen model, say). Null: the pieces are queued as they come.
using TypedFilter = void (*)(const char* bytes, std::size_t length);
void FilterTyped(TypedFilter filter);

/// Takes in the last output, writes the sequences that put the caller's
/// terminal back in its usual modes, and closes the console: programs
/// still on it get the hang-up.
void CloseConsole();

}  // namespace posix

#endif  // KLAVRUN_PLATFORM_POSIX_CONSOLE_CONSOLE_H_
