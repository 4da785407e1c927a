uniform float IC; attribute vec3 Vertex2; void main() {
 gl_Position = gl_ModelViewProjectionMatrix*vec4(mix(gl_Vertex.xyz,Vertex2,IC),1.0);
}
