#pragma once

// Documents parsed from text held in the test.

#include <vemora/xml/stXmlParser.h>

#include <memory>

namespace vemora_test {

inline std::unique_ptr<Vemora::stXmlDocument_c> xmlFromText(const wchar_t* text) {
    std::unique_ptr<Vemora::stXmlParser_c> parser(Vemora::stXmlParser_c::createParser(nullptr));
    return std::unique_ptr<Vemora::stXmlDocument_c>(parser->parseString(text));
}

}  // namespace vemora_test
