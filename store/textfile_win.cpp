#include "store/textfile.h"

// A reader holding the old file open makes the replace fail with a sharing
// violation for as long as it reads; a few seconds cover any reader.
int TextFile::replaceRetryMs()
{
    return 3000;
}
