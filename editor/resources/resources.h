#pragma once

// Registers the embedded resources (":/preset/...", ":/qss/...", ":/img/...",
// ":/Fonts/..."). They live in a static library, so every program and test that
// reads them calls this once at start. Calling it more than once is harmless.
void kt900InitResources();
