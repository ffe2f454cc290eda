#pragma once

#include <QIcon>

#include <array>

namespace zeph::windows::discovery {

// The survey's five pictures, by the index a list item carries.
enum SurveyImage : int {
    SerialPortImage = 0,  // a serial port
    ExaminingImage = 1,   // a unit under examination (clock)
    FailedImage = 2,      // a step failed, or the worker did not start (warning sign)
    ErrorImage = 3,       // status code 2 (error sign)
    ReadyImage = 4,       // the unit is ready (check mark)
};

inline constexpr int kSurveyImageSize = 72;

// Rendered from the SVGs of the discovery resource; an image that cannot be rendered is null.
std::array<QIcon, 5> loadSurveyImages();

}  // namespace zeph::windows::discovery
