#pragma once

// The whole life of the program: returns its exit status (255 when another instance runs).
int RunApplication(int argc, char **argv);
