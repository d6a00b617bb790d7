#include "toolkit/Controls.h"

#include <QScopedValueRollback>

#include <algorithm>

namespace {

// Where the anchors put one axis of a control: both sides kept stretch it, the far side alone
// moves it, neither keeps its centre.
void AnchorAxis(int& start, int& length, int grown, bool nearSide, bool farSide)
{
    if (nearSide && farSide)
        length += grown;
    else if (farSide)
        start += grown;
    else if (!nearSide)
        start += grown / 2;
}

}  // namespace

std::vector<TRect> AlignBounds(TRect client, const std::vector<TAlignItem>& items)
{
    std::vector<TRect> result(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        result[i] = items[i].bounds;
    const auto placeKind = [&](TAlign kind, auto before) {
        std::vector<std::size_t> order;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].align == kind)
                order.push_back(i);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return before(items[a].bounds, items[b].bounds); });
        for (const std::size_t i : order) {
            const int w = items[i].bounds.Width();
            const int h = items[i].bounds.Height();
            const int clientW = std::max(0, client.Width());
            const int clientH = std::max(0, client.Height());
            TRect& r = result[i];
            switch (kind) {
            case alTop:
                r = Rect(client.left, client.top, client.left + clientW, client.top + h);
                client.top += h;
                break;
            case alBottom:
                r = Rect(client.left, client.bottom - h, client.left + clientW, client.bottom);
                client.bottom -= h;
                break;
            case alLeft:
                r = Rect(client.left, client.top, client.left + w, client.top + clientH);
                client.left += w;
                break;
            case alRight:
                r = Rect(client.right - w, client.top, client.right, client.top + clientH);
                client.right -= w;
                break;
            case alClient:
                r = Rect(client.left, client.top, client.left + clientW, client.top + clientH);
                break;
            case alNone:
                break;
            }
        }
    };
    placeKind(alTop, [](const TRect& a, const TRect& b) { return a.top < b.top; });
    placeKind(alBottom, [](const TRect& a, const TRect& b) { return a.bottom > b.bottom; });
    placeKind(alLeft, [](const TRect& a, const TRect& b) { return a.left < b.left; });
    placeKind(alRight, [](const TRect& a, const TRect& b) { return a.right > b.right; });
    placeKind(alClient, [](const TRect&, const TRect&) { return false; });
    return result;
}

void TControl::SetAnchors(TAnchors value)
{
    if (FAnchors == value)
        return;
    FAnchors = value;
    RememberAnchorPlace();
}

void TControl::RememberAnchorPlace()
{
    FAnchorPlace = BoundsRect();
    FAnchorParentClient = FParent ? QSize(FParent->ClientWidth(), FParent->ClientHeight()) : QSize();
}

TRect TControl::AnchoredBounds(QSize parentClient) const
{
    int left = FAnchorPlace.left;
    int top = FAnchorPlace.top;
    int width = FAnchorPlace.Width();
    int height = FAnchorPlace.Height();
    AnchorAxis(left, width, parentClient.width() - FAnchorParentClient.width(), FAnchors.testFlag(akLeft),
               FAnchors.testFlag(akRight));
    AnchorAxis(top, height, parentClient.height() - FAnchorParentClient.height(), FAnchors.testFlag(akTop),
               FAnchors.testFlag(akBottom));
    return Rect(left, top, left + width, top + height);
}

void TControl::RequestAlign()
{
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::SetAlign(TAlign value)
{
    if (FAlign == value)
        return;
    const TAlign old = FAlign;
    FAlign = value;
    if (FParent && (old != alNone || value != alNone))
        FParent->Realign();
}

void TWinControl::Realign()
{
    if (FAligning || ComponentState().testFlag(csLoading))
        return;
    AlignControls();
}

void TWinControl::AlignControls()
{
    std::vector<TControl*> placed;
    std::vector<TRect> bounds;
    std::vector<TAlignItem> items;
    for (TControl* c : FControls)
        if (c->Align() != alNone && c->Visible()) {
            placed.push_back(c);
            items.push_back({c->Align(), c->BoundsRect()});
        }
    bounds = AlignBounds(ClientRect(), items);
    // Controls placed by hand follow their anchors; the usual left and top ones stay put.
    for (TControl* c : FControls)
        if (c->Align() == alNone && c->FAnchors != (akLeft | akTop) && c->FAnchorParentClient.isValid()) {
            placed.push_back(c);
            bounds.push_back(c->AnchoredBounds(QSize(ClientWidth(), ClientHeight())));
        }
    const QScopedValueRollback aligning(FAligning, true);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const QScopedValueRollback anchoring(placed[i]->FAnchoring, placed[i]->Align() == alNone);
        placed[i]->SetBounds(bounds[i].left, bounds[i].top, bounds[i].Width(), bounds[i].Height());
    }
}
