// Whether a person may be watching stderr.
#pragma once

bool StderrIsTerminal();
