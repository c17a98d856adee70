#pragma once

namespace norvane {

// Marks the upper halves of the processor's wide vector registers as unused
// (x86 with AVX; elsewhere it does nothing).
//
// Some of Qt's painting (filling an image, for one) leaves them in use, and
// while they are, every SSE instruction of the thread, and of each thread it
// starts, runs markedly slower: the engine's cipher, its key derivation and
// the text searches among them. The application clears them after each
// event, and each of Norvane's worker threads as it starts.
void clearUpperVectorState();

} // namespace norvane
