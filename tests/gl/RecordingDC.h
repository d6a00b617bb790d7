#pragma once
// A device context that writes down every drawing call it gets, with its arguments, and
// then draws as any device context does. Tests compare the calls a routine makes with the
// sequence it must make.

#include "platform/gdi/DeviceContext.h"

#include <QString>
#include <cstdio>
#include <string>
#include <vector>

namespace gltest {

// A colour as #RRGGBB.
inline std::string Hex(gdi::ColorRef c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", unsigned(gdi::GetRValue(c)), unsigned(gdi::GetGValue(c)),
                  unsigned(gdi::GetBValue(c)));
    return text;
}

inline std::string RectText(const gdi::Rect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class RecordingDC : public gdi::DeviceContext {
public:
    using DeviceContext::DeviceContext;

    // Every call in order, e.g. "ExtTextOut 3,4 clip 0,0,10,1 'Text' #808080".
    std::vector<std::string> calls;
    // The depth the context claims, as a screen of 8 or 16 bits would; 0: its bitmap's.
    int bitsPerPixel = 0;

    int BitsPerPixel() const override { return bitsPerPixel > 0 ? bitsPerPixel : DeviceContext::BitsPerPixel(); }

    // Only the text outputs, as "x,y clip l,t,r,b #colour" (no clip: "x,y #colour").
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const std::string& call : calls)
            if (call.rfind("TextOut ", 0) == 0 || call.rfind("ExtTextOut ", 0) == 0)
                texts.push_back(call.substr(call.find(' ') + 1));
        return texts;
    }

    gdi::ColorRef SetTextColor(TColor color) override
    {
        const gdi::ColorRef previous = DeviceContext::SetTextColor(color);
        calls.push_back("SetTextColor " + Hex(GetTextColor()));
        return previous;
    }
    gdi::ColorRef SetBkColor(TColor color) override
    {
        const gdi::ColorRef previous = DeviceContext::SetBkColor(color);
        calls.push_back("SetBkColor " + Hex(GetBkColor()));
        return previous;
    }
    int SetBkMode(int mode) override
    {
        calls.push_back(mode == gdi::TRANSPARENT ? "SetBkMode TRANSPARENT" : "SetBkMode OPAQUE");
        return DeviceContext::SetBkMode(mode);
    }
    gdi::Font SelectFont(const gdi::Font& font) override
    {
        calls.push_back("SelectFont " + font.Description().faceName.toStdString() + " " +
                        std::to_string(font.Description().height) + " esc " + std::to_string(font.Description().escapement));
        return DeviceContext::SelectFont(font);
    }
    gdi::Brush SelectBrush(const gdi::Brush& brush) override
    {
        calls.push_back(brush.style == gdi::BrushStyle::Clear ? "SelectBrush clear" : "SelectBrush " + Hex(brush.color));
        return DeviceContext::SelectBrush(brush);
    }
    int SaveDC() override
    {
        calls.push_back("SaveDC");
        return DeviceContext::SaveDC();
    }
    bool RestoreDC(int level) override
    {
        calls.push_back("RestoreDC " + std::to_string(level));
        return DeviceContext::RestoreDC(level);
    }
    QPoint SetViewportOrg(int x, int y) override
    {
        calls.push_back("SetViewportOrg " + std::to_string(x) + "," + std::to_string(y));
        return DeviceContext::SetViewportOrg(x, y);
    }
    int IntersectClipRect(const gdi::Rect& logical) override
    {
        calls.push_back("IntersectClipRect " + RectText(logical));
        return DeviceContext::IntersectClipRect(logical);
    }
    bool FillRect(const gdi::Rect& rect, const gdi::Brush& brush) override
    {
        calls.push_back("FillRect " + RectText(rect) + " " + Hex(brush.color));
        return DeviceContext::FillRect(rect, brush);
    }
    bool TextOut(int x, int y, QStringView text) override
    {
        calls.push_back("TextOut " + std::to_string(x) + "," + std::to_string(y) + " '" +
                        text.toString().toStdString() + "' " + Hex(GetTextColor()));
        return DeviceContext::TextOut(x, y, text);
    }
    bool ExtTextOut(int x, int y, unsigned options, const gdi::Rect* rect, QStringView text) override
    {
        std::string call = "ExtTextOut " + std::to_string(x) + "," + std::to_string(y);
        if (rect && (options & gdi::ETO_CLIPPED))
            call += " clip " + RectText(*rect);
        calls.push_back(call + " '" + text.toString().toStdString() + "' " + Hex(GetTextColor()));
        return DeviceContext::ExtTextOut(x, y, options, rect, text);
    }
    bool BitBlt(int x, int y, int width, int height, const DeviceContext& source, int sx, int sy,
                gdi::RasterOp rop) override
    {
        char code[12];
        std::snprintf(code, sizeof code, "%08X", unsigned(rop));
        calls.push_back("BitBlt " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
                        std::to_string(height) + " from " + std::to_string(sx) + "," + std::to_string(sy) + " " + code);
        return DeviceContext::BitBlt(x, y, width, height, source, sx, sy, rop);
    }
};

}  // namespace gltest
