#pragma once

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace quorvex::test {

// Compares a rendered picture with tests/data/console/<name>.png: same size, and no more than
// `maxDifferentPixels` pixels whose colour differs by more than 8 in any channel (font hinting
// may move a few pixels). Every rendering is also saved under test-output/ in the build folder to
// be looked at. With QUORVEX_UPDATE_REFERENCES=1 the reference is (re)written instead.
::testing::AssertionResult matchesReference(const QImage& image, const QString& name,
                                            int maxDifferentPixels = 40);

}  // namespace quorvex::test
