#pragma once
// Charts that the layout benchmarks share, built in memory.

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/COutputBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CSimpleBox.h"

#include <memory>
#include <string>

// Fills `root` with groups of nested containers: each group is a chain of
// `depth` containers (loops and branches by turns), each holding one leaf
// (with `leafText`) beside the next container, until `boxes` boxes exist.
inline void BuildNestedChart(CRootSequence& root, int boxes, int depth, const std::string& leafText = {})
{
    int made = 0;
    while (made < boxes) {
        CBoxSequence* seq = &root;
        for (int level = 0; level < depth && made < boxes; ++level) {
            std::unique_ptr<CProcessBox> container;
            CBoxSequence* inner = nullptr;
            if (level % 2 == 0) {
                auto loop = std::make_unique<CPreTestLoopBox>(0, 0, 150, 25);
                inner = &loop->m_bodySeq;
                container = std::move(loop);
            } else {
                auto branch = std::make_unique<CBranchBox>(0, 0, 150, 25);
                branch->m_elseSeq.m_boxes.push_back(std::make_unique<COutputBox>(0, 0, 150, 25));
                ++made;
                inner = &branch->m_thenSeq;
                container = std::move(branch);
            }
            container->m_text = "i = 1, 10";
            seq->m_boxes.push_back(std::move(container));
            ++made;
            if (made < boxes) {
                auto leaf = std::make_unique<CSimpleBox>(0, 0, 150, 25);
                leaf->m_text = leafText;
                seq->m_boxes.push_back(std::move(leaf));
                ++made;
            }
            seq = inner;
        }
    }
}
