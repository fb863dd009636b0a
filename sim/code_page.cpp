#include "sim/code_page.h"

#include <cerrno>
#include <iconv.h>
#include <vector>

namespace {

class Converter {
public:
    explicit Converter(int codePage) : cd_(::iconv_open("UTF-8", ("CP" + std::to_string(codePage)).c_str())) {}
    ~Converter()
    {
        if (ok())
            ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return cd_; }

private:
    iconv_t cd_;
};

}  // namespace

bool codePageKnown(int codePage) { return codePage > 0 && Converter(codePage).ok(); }

std::optional<std::string> decodeCodePage(std::span<const std::uint8_t> bytes, int codePage)
{
    if (codePage <= 0)
        return std::nullopt;
    Converter converter(codePage);
    if (!converter.ok())
        return std::nullopt;
    std::vector<char> in(bytes.begin(), bytes.end());
    std::string out(bytes.size() * 4 + 4, '\0');  // one byte of a single-byte page is at most 4 in UTF-8
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (::iconv(converter.handle(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;  // EILSEQ: a byte the page leaves undefined
    out.resize(out.size() - outLeft);
    return out;
}
