// The resource section of the demo.
#pragma once

// Finds the demo's four resource modules beside it, loads a string, a bitmap
// and an icon, and tells which module holds each. 0 when all went well.
int DemoResources();
