// The walk over every box: the order every container passes an operation
// on, and an early end.

#include "ModelTestSupport.h"

#include "model/CBranchBox.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "model/ForEachBox.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

template <class Kind>
std::unique_ptr<Kind> Named(std::string text)
{
    auto box = std::make_unique<Kind>(0, 0, 150, 25);
    box->m_text = std::move(text);
    return box;
}

// a, branch b (then: c, loop d (body: e); else: f), g
void MakeChart(CRootSequence& root)
{
    auto loop = Named<CPostTestLoopBox>("d");
    loop->m_bodySeq.m_boxes.push_back(Named<CSimpleBox>("e"));
    auto branch = Named<CBranchBox>("b");
    branch->m_thenSeq.m_boxes.push_back(Named<CSimpleBox>("c"));
    branch->m_thenSeq.m_boxes.push_back(std::move(loop));
    branch->m_elseSeq.m_boxes.push_back(Named<CSimpleBox>("f"));
    root.m_boxes.push_back(Named<CSimpleBox>("a"));
    root.m_boxes.push_back(std::move(branch));
    root.m_boxes.push_back(Named<CSimpleBox>("g"));
}

} // namespace

TEST(ForEachBox, VisitsEachBoxBeforeItsContentsThenArmFirst)
{
    CRootSequence root;
    MakeChart(root);
    std::string order;
    EXPECT_TRUE(ForEachBox(root, [&order](CProcessBox& box) { order += box.m_text; }));
    EXPECT_EQ(order, "abcdefg");

    // A visit that answers false ends the walk at once, even deep inside.
    const CRootSequence& constRoot = root;
    order.clear();
    EXPECT_FALSE(ForEachBox(constRoot, [&order](const CProcessBox& box) {
        order += box.m_text;
        return box.m_text != "e";
    }));
    EXPECT_EQ(order, "abcde");
}
