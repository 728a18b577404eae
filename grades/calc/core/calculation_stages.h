#pragma once
// The stages of a calculation run, one source file each.

#include "grades/calc/core/calculation_run.h"

// Checks every mark against its full mark, asks about doubtful ones, and
// writes 总分 and 平均分 of every student.
StageEnd checkMarks(CalculationRun& run);
// Empties and refills 绝对成绩表 and 相对成绩表 and logs their factors.
StageEnd buildScoreTables(CalculationRun& run);
