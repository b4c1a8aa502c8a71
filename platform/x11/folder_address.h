#pragma once

#include <string>
#include <string_view>

namespace qarvex {

// A location the file manager reports ("file:///home/u/My%20Docs", "trash:///") in the
// form the history keeps: percent-escapes of "file:" addresses decoded to their bytes,
// except "%20", which the add routine turns into a blank itself. An escape that would
// decode to a control character, "%", "/" or a byte sequence that is not UTF-8 stays
// escaped, so that nothing the file manager said is lost or mangled. Other schemes
// ("trash:///", "smb://host/share") are passed through unchanged.
std::string FolderAddressFromUri(std::string_view uri);

}  // namespace qarvex
