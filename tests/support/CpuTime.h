#pragma once
// What a wait cost: the user and system time this process has used so far.

double CpuSeconds();
