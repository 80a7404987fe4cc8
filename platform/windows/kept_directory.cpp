// Windows implementation of KeptDirectoryScope: the system resolves every
// path itself, so nothing is kept.
#include "platform/kept_directory.h"

KeptDirectoryScope::KeptDirectoryScope() = default;
KeptDirectoryScope::~KeptDirectoryScope() = default;
