// Setup wizard: the console dialogue that writes "tavrel2.cfg".
#pragma once

void RunSetup();
