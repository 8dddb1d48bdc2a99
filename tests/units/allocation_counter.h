// Counts allocations made through the global operator new of the test binary.
#pragma once

long allocations_so_far();
