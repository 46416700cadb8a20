// What a mobile (3G/4G) modem's answers about its SIM card, access point, network and signal mean,
// for velmorctl modem.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/modem_dialogue.h"

namespace velmor::modem {

// A number a mobile modem dials for the packet network: *99# and its kin.
bool isMobileNumber(std::string_view number);

// The questions asked of a mobile modem, in order: the SIM card, the access points, the network
// and the packet network registration, the signal.
const std::vector<std::string>& mobileQuestions();

struct Verdict {
    bool fine = false;
    std::string text;  // a sentence for the user: what the answer means, and what to do
};

// The meaning of the answer to one of the questions: the lines before the result, and the result.
Verdict explainMobileAnswer(std::string_view question, const std::vector<std::string>& lines,
                            const AtResult& result);

}  // namespace velmor::modem
