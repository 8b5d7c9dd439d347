'use strict';
// Frames compared as people see them: where things are, not the last pixel
// of a point's edge, in which rasterizers may differ.

// Each channel the mean of the pixel's 3x3 neighbourhood inside the frame.
function boxBlur({ width, height, rgb }) {
  const out = new Float32Array(rgb.length);
  for (let y = 0; y < height; ++y)
    for (let x = 0; x < width; ++x)
      for (let c = 0; c < 3; ++c) {
        let sum = 0, count = 0;
        for (let v = Math.max(0, y - 1); v <= Math.min(height - 1, y + 1); ++v)
          for (let u = Math.max(0, x - 1); u <= Math.min(width - 1, x + 1); ++u, ++count)
            sum += rgb[(v * width + u) * 3 + c];
        out[(y * width + x) * 3 + c] = sum / count;
      }
  return out;
}

// The share of pixels whose every channel lies within `tolerance` levels
// after the blur, and a picture of the differences (scaled up fourfold).
function compareFrames(a, b, tolerance) {
  if (a.width !== b.width || a.height !== b.height)
    throw new Error(`frames of ${a.width}x${a.height} and ${b.width}x${b.height}`);
  const [blurredA, blurredB] = [boxBlur(a), boxBlur(b)];
  const difference = Buffer.alloc(a.rgb.length);
  let close = 0;
  for (let i = 0; i < a.width * a.height; ++i) {
    let within = true;
    for (let c = 0; c < 3; ++c) {
      const d = Math.abs(blurredA[i * 3 + c] - blurredB[i * 3 + c]);
      within = within && d <= tolerance;
      difference[i * 3 + c] = Math.min(255, Math.round(d * 4));
    }
    close += within;
  }
  return { share: close / (a.width * a.height), difference: { width: a.width, height: a.height, rgb: difference } };
}

module.exports = { compareFrames };
