#pragma once

#include <map>
#include <memory>
#include <vector>

#include "model/Publisher.h"
#include "sources/SelectionAlgorithmInterface.h"

class NormalAlgorithm;
class RandomAlgorithm;

// The algorithms by name and the current one ("Random" until another is chosen).
class AlgorithmManager final : public Publisher {
public:
    AlgorithmManager();
    ~AlgorithmManager() override;
    AlgorithmManager(const AlgorithmManager&) = delete;
    AlgorithmManager& operator=(const AlgorithmManager&) = delete;

    SelectionAlgorithmInterface* GetCurrentAlgorithm() const;
    // Unknown names, including ones that differ only in letter case, are ignored silently.
    void SetCurrentAlgorithm(const WideString& name);
    void GetAlgorithmNames(std::vector<WideString>& names) const;

private:
    std::shared_ptr<NormalAlgorithm> normal;
    std::shared_ptr<RandomAlgorithm> random;
    SelectionAlgorithmInterface* current = nullptr;
    std::map<WideString, std::shared_ptr<SelectionAlgorithmInterface>> algorithms;
};

// The process's manager, created on first use and never destroyed.
AlgorithmManager& GetAlgorithmManager();
