#pragma once
// What screen readers learn of the skinned controls: a role and a name for each (the action it
// does, as its hint says), and their states. Qt's accessibility layer asks the factory installed
// here for every control.

// Installs the factory; once is enough, later calls do nothing.
void InstallControlAccessibility();
