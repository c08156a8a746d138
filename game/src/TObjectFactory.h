// Makes carried items by code, with their names, pictures, colours and recipes.
#pragma once

#include <functional>
#include <string>

namespace Lumo
{

class Image;
class TObject;

class TObjectFactory
{
public:
    // Finds a loaded picture by its file name (no extension); null when there is none.
    using PictureSource = std::function<Image*(const std::string& name)>;

    explicit TObjectFactory(PictureSource pictures);
    virtual ~TObjectFactory() = default;

    // A new item owned by the caller; null for a code outside 0..11.
    TObject* Create(int code) const;

private:
    void SetupIngredient(TObject* item, int code) const;
    void SetupPizza(TObject* item, int code) const;
    Image* Picture(const std::string& name) const;

    PictureSource mPictures;
};

} // namespace Lumo
