#pragma once

class QProcess;

namespace marlox::platform {

// Makes the process, before it starts, end when this process ends, however this one ends: a
// tool left running after a kill would go on writing into folders the next start cleans up.
void endWithThisProcess(QProcess& process);

} // namespace marlox::platform
