#pragma once

// A frame's GL call stream, recorded once and sent again from the record:
// the floor a scene's frame time is measured against, with all of the
// scene's own per-frame work taken out and every GL call left in.
//
// The bench executable defines the immediate-mode entry points the scenes
// call per frame and forwards them to the real ones, recording while asked
// to. Scene and replay pass through the same forwarding, so it costs both
// the same.
namespace gl_stream {

void record_begin();
void record_end();

// The calls recorded so far, in their order and with their arguments.
long recorded_calls();
void replay();

}  // namespace gl_stream
