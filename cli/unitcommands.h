#pragma once

// The commands that talk to the unit. Each returns the process exit code:
// 0 success, 1 the operation failed (one line on stderr says why).

namespace Cli {

class Output;
struct Invocation;

int runInfo(const Invocation &inv, Output &out);
int runList(const Invocation &inv, Output &out);
int runExport(const Invocation &inv, Output &out);
int runImport(const Invocation &inv, Output &out);
int runBackup(const Invocation &inv, Output &out);
int runRecall(const Invocation &inv, Output &out);
int runSlotUpload(const Invocation &inv, Output &out);
int runSlotDelete(const Invocation &inv, Output &out);

} // namespace Cli
