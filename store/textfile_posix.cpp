#include "store/textfile.h"

// A rename over an open file always succeeds here: a refusal is final.
int TextFile::replaceRetryMs()
{
    return 0;
}
