#include "sources/AlgorithmManager.h"

#include "sources/NormalAlgorithm.h"
#include "sources/RandomAlgorithm.h"

AlgorithmManager::AlgorithmManager()
    : normal(std::make_shared<NormalAlgorithm>()), random(std::make_shared<RandomAlgorithm>()) {
    algorithms.emplace(normal->GetName(), normal);
    algorithms.emplace(random->GetName(), random);
    current = algorithms.at(u"Random").get();
    Notify();
}

AlgorithmManager::~AlgorithmManager() = default;

SelectionAlgorithmInterface* AlgorithmManager::GetCurrentAlgorithm() const {
    return current;
}

void AlgorithmManager::SetCurrentAlgorithm(const WideString& name) {
    const auto found = algorithms.find(name);
    if (found == algorithms.end()) {
        return;
    }
    current = found->second.get();
    Notify();
}

void AlgorithmManager::GetAlgorithmNames(std::vector<WideString>& names) const {
    names.clear();
    for (const auto& [key, algorithm] : algorithms) {
        names.push_back(algorithm->GetName());
    }
}

AlgorithmManager& GetAlgorithmManager() {
    static AlgorithmManager manager;
    return manager;
}
