// The tag by which stubpack recognises one of our stubs before it appends an archive to it:
// the bytes of STUBKIT_STUB_TAG, then the stub's version, then a zero byte, somewhere in the
// stub's data.
#pragma once

#define STUBKIT_VERSION "0.2.0"
#define STUBKIT_STUB_TAG "\x7f" "stubkit installer stub "
