#pragma once
// Draws the demo photos: for every photo link of the database whose files are
// missing from the images folder, a 640x480 picture of a car (with a white
// licence plate, so that plate blurring has something to blur) and its
// 120x90 miniature, both as real JPEG files.

#include <string>
#include <vector>

namespace stanor::dataservice {

class Store;

// JPEG bytes of a drawn car picture; `seed` varies colours and position.
std::vector<unsigned char> DrawCarJpeg(int width, int height, unsigned seed);

// Creates the missing files; returns how many were written. Throws on I/O errors.
int EnsureDemoPhotos(Store& db, const std::string& imagesDir);

}  // namespace stanor::dataservice
