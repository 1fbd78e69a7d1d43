// Test data for the gzip and JSON helpers: gzip compression of a text.
#pragma once

#include <boost/iostreams/device/back_inserter.hpp>
#include <boost/iostreams/filter/gzip.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <string>

namespace UtilTest {

// `text` as one gzip member, as a host tool would write it.
inline std::string GzipOf(const std::string& text)
{
    std::string compressed;
    {
        boost::iostreams::filtering_ostream out;
        out.push(boost::iostreams::gzip_compressor());
        out.push(boost::iostreams::back_inserter(compressed));
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return compressed;
}

}  // namespace UtilTest
