// Replaces a file's whole content atomically: the text goes into a temporary
// file in the same folder, is flushed to the disk, and the temporary file then
// takes the file's name (rename; MoveFileEx with replace on Windows). A reader
// sees the old content or the new, never a part; a failure leaves the old file
// as it was and no temporary file behind.
#pragma once

#include <string>

namespace talun::monitor {

// false, and error set, when the file could not be replaced. The new file can
// be read by everyone (a node exporter runs as a user of its own).
bool ReplaceFileContent(const std::string& path, const std::string& text, std::string& error);

}  // namespace talun::monitor
