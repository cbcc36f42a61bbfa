// The number of heap blocks this test program holds now (operator new and
// delete are counted), to see that an engine call leaves nothing behind.
#pragma once

long LiveHeapBlocks();
