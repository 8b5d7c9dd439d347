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
  const background = commonest(a);
  const difference = Buffer.alloc(a.rgb.length);
  let [close, drawn, drawnClose] = [0, 0, 0];
  for (let i = 0; i < a.width * a.height; ++i) {
    let [within, onBackground] = [true, true];
    for (let c = 0; c < 3; ++c) {
      const d = Math.abs(blurredA[i * 3 + c] - blurredB[i * 3 + c]);
      within = within && d <= tolerance;
      onBackground = onBackground && Math.abs(blurredA[i * 3 + c] - background[c]) <= tolerance &&
                     Math.abs(blurredB[i * 3 + c] - background[c]) <= tolerance;
      difference[i * 3 + c] = Math.min(255, Math.round(d * 4));
    }
    close += within;
    drawn += !onBackground;
    drawnClose += !onBackground && within;
  }
  return { share: close / (a.width * a.height), drawnShare: drawn ? drawnClose / drawn : 1,
           difference: { width: a.width, height: a.height, rgb: difference } };
}

// The colour most pixels have: the background, in the frames compared here.
function commonest({ rgb }) {
  const counts = new Map();
  for (let i = 0; i < rgb.length; i += 3) {
    const key = rgb.readUIntBE(i, 3);
    counts.set(key, (counts.get(key) || 0) + 1);
  }
  const [key] = [...counts].reduce((best, entry) => (entry[1] > best[1] ? entry : best));
  return [key >> 16, (key >> 8) & 255, key & 255];
}

module.exports = { compareFrames };
