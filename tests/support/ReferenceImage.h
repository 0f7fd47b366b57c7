#pragma once

#include <gtest/gtest.h>

#include <string>

#include "gfx/Bitmap.h"

// Compares a rendered screen pixel for pixel with its reference picture,
// tests/data/screens/NAME.png. On a mismatch the rendering is written as
// NAME_err.png and a picture of the differences as NAME_diff.png (the
// reference dimmed, every differing pixel red) into the build tree's
// tests/screens folder, and the failure names the count of differing pixels
// and both files. With ORV_UPDATE_SCREENS=1 in the environment the rendering
// becomes the new reference instead.
::testing::AssertionResult MatchesReferenceImage(const CBitmap& rendered, const std::string& name);

// Where the references live and where mismatches are written.
std::string ReferenceImagePath(const std::string& name);
std::string ReferenceOutputDir();
