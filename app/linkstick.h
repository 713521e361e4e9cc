#pragma once

class QCheckBox;
class QWidget;

// The Options tick that lets presentations' links reach any local file
// ("Links" group, key "AllowLinks"); unticked unless the user ticked it, and
// stored as it changes.
QCheckBox* NewLinksTick(QWidget* parent);
