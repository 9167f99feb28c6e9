#pragma once

class QProcess;

namespace platform {

// Makes the child that `process` starts next end when this process ends,
// however it ends: a helper left running by a killed program would go on
// writing after the next run has taken over its work. Call before start(),
// on a thread that outlives the child (on Linux the child follows the
// starting thread, not the process). A no-op where the platform offers
// nothing of the kind.
void endWithParent(QProcess &process);

} // namespace platform
